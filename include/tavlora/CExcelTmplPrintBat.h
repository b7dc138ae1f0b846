#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "com/Dispatch.h"
#include "report/printjob/JobTarget.h"
#include "tavlora/Export.h"
#include "report/tmplbat/BatchTemplateLayout.h"
#include "tavlora/SWhiteCol.h"

namespace tavlora::host {
class Workbook;
class Worksheet;
}  // namespace tavlora::host

namespace tavlora::data {
class Recordset;
class XmlNode;
class XmlNodeList;
}  // namespace tavlora::data

namespace tavlora::printjob {
class CExcelBatDo;
}

namespace tavlora::tmplone {
class CExcelTmplPrintOne;
}

namespace tavlora::tmplbat {

class KeyLabelIndex;

// Fills a list template: DoA_Begin reads the layout that the template's control area (row 1 and
// column A) describes, the output methods lay every record of a recordset or an XML node list into
// the template's row blocks, and DoA_End clears, deletes or keeps the control area as the
// template asks. Single placeholders elsewhere on the sheet (%Title%) are filled through an
// attached one-record filler when DoA_Begin is asked to replace them.
//
// The output only sets cell values: it inserts, copies, formats or deletes nothing, so every block
// is written into cells the template already has.
class TAVLORA_API CExcelTmplPrintBat : public com::Dispatch, public printjob::JobTarget {
public:
    CExcelTmplPrintBat();
    ~CExcelTmplPrintBat() override;

    static std::shared_ptr<CExcelTmplPrintBat> create() { return std::make_shared<CExcelTmplPrintBat>(); }

    // Values that read as zero are written as empty cells.
    bool IsNoZero() const { return isNoZero_; }
    void setIsNoZero(bool value) { isNoZero_ = value; }

    // Resolves the sheet (strSheetName "" keeps CurSheet; a name is looked up ignoring case, never
    // created, and registered with the job object) and reads its layout. With bReplaceWhite the
    // sheet's %Name% placeholders are collected for DoA_ReplaceWhiteDot. False on any failure;
    // until a later DoA_Begin succeeds, the output methods and DoA_ReplaceWhiteDot then answer
    // false and DoA_End raises error 5, all without touching a cell.
    bool DoA_Begin(const std::string& strSheetName = "", bool bReplaceWhite = false);

    // Lays every record from the recordset's current row to its end into the template; the
    // recordset is left at its end. A record that fails (a null value, a host error) is skipped
    // and the next one takes its block. False on any other failure, and when a record was dropped
    // because its block lies beyond row 32767; the records written before stay.
    bool DoA_OutputRst(const std::shared_ptr<data::Recordset>& rst);
    // The same for every element of a node list (attributes matched by exact name). A node that is
    // not an element fails the method there.
    bool DoA_OutputXml0(const std::shared_ptr<data::XmlNodeList>& pNodeList);
    // DoA_OutputXml0 on the nodes strQuery selects below the root element of strXmlFile; false
    // when the file cannot be loaded or the query is refused.
    bool DoA_OutputXml(const std::string& strXmlFile, const std::string& strQuery);

    // Remembers a placeholder value for DoA_End. False without a DoA_Begin(.., true) or when no
    // placeholder has the name.
    bool DoA_ReplaceWhiteDot(const std::string& strWhiteDotName, const std::string& strWhiteDotValue);
    // Write a text into a cell of CurSheet at once. False without a sheet; a row or column outside
    // 16 bits is error 6, one the host refuses is a host error.
    bool DoA_OutputString(int32_t nRow, int32_t nCol, const std::string& strValue);
    bool DoA_OutputString1(const std::string& strPos, const std::string& strValue);

    // Empties the layout arrays, writes the remembered placeholder values, then clears (mode 1),
    // deletes (mode 2) or keeps (mode 0) row 1 and column A. Host failures reach the caller; so
    // does error 5 after a failed DoA_Begin, when nothing is done.
    bool DoA_End();

    const BatchTemplateLayout& layout() const { return layout_; }
    const std::shared_ptr<tmplone::CExcelTmplPrintOne>& oneFiller() const { return oneFiller_; }

    const com::DispatchTable& dispatchTable() const override;

private:
    // How one record went: only a written record advances the block position.
    enum class RecordOutcome : uint8_t { Written, Skipped, Failed, RowOverflow };

    void MapColumnFields(data::Recordset& rst);
    int32_t FindKeyRow(data::Recordset& rst, const KeyLabelIndex& labels) const;
    RecordOutcome WriteRecordRow(data::Recordset& rst, int32_t nRow, const KeyLabelIndex& labels);
    int32_t FindXmlKeyRow(const data::XmlNode& element, const KeyLabelIndex& labels) const;
    RecordOutcome WriteXmlRecordRow(const data::XmlNode& element, int32_t nRow, const KeyLabelIndex& labels);

    // The sheet rows of the mapped output columns for the block at base row r, into cellRows_,
    // before anything is written: a record whose block reaches beyond the 16-bit row range answers
    // false and leaves no partial trace.
    template <class IsMapped>
    bool computeCellRows(int32_t r, IsMapped isMapped);
    void writeCell(int16_t row, int16_t columnIndex, std::string text);
    // True (with the reason noted) when the last DoA_Begin failed: nothing may be written then.
    bool refuseAfterFailedBegin() const;

    std::shared_ptr<tmplone::CExcelTmplPrintOne> oneFiller_;
    bool isNoZero_ = true;
    bool beginFailed_ = false;
    BatchTemplateLayout layout_;
    std::vector<int16_t> cellRows_;  // scratch for one record, reused so a record allocates nothing
};

}  // namespace tavlora::tmplbat
