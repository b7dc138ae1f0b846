#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "com/Dispatch.h"
#include "report/printjob/JobTarget.h"
#include "tavlora/Export.h"
#include "report/tmplone/SWhiteDot.h"
#include "tavlora/ePosType.h"

namespace tavlora::host {
class Workbook;
class Worksheet;
class Range;
}  // namespace tavlora::host

namespace tavlora::data {
class Recordset;
class XmlNode;
}  // namespace tavlora::data

namespace tavlora::printjob {
class CExcelBatDo;
}

namespace tavlora::tmplone {

// Fills a one-record template sheet in three phases: DoA_Begin collects the placeholders of the
// sheet, the DoA_Replace* members assign values in memory, DoA_End writes them all in one pass.
//
// Placeholders are either in-cell (nWhiteMode != 0: a cell whose value holds %Name%; the whole
// cell receives the value) or header rows (nWhiteMode == 0: names in row 1, target addresses in
// row 2 of the same column).
class TAVLORA_API CExcelTmplPrintOne : public com::Dispatch, public printjob::JobTarget {
public:
    static std::shared_ptr<CExcelTmplPrintOne> create() { return std::make_shared<CExcelTmplPrintOne>(); }

    // Resolves the sheet (strSheetName "" keeps CurSheet; a name is looked up ignoring case,
    // never created, and registered with the job object) and collects its placeholders.
    // nClearWhiteMode (header-row mode only): 0 keep rows 1-2, 1 clear them, 2 delete them at
    // DoA_End. False on any failure, which leaves no placeholders and clear mode 0, so that
    // DoA_End then writes and clears nothing.
    bool DoA_Begin(const std::string& strSheetName = "", int16_t nWhiteMode = 1, int16_t nClearWhiteMode = 1);

    // Every entry gets the text of the same-named field of the current row ("" when the field is
    // missing or null). False only when there are no entries. The cursor is not moved.
    bool DoA_ReplaceRst(const std::shared_ptr<data::Recordset>& rst);
    // Assigns the first entry whose name equals strWhiteDotName (case ignored). False when none.
    bool DoA_ReplaceA(const std::string& strWhiteDotName, const std::string& strWhiteDotValue);
    // Write a text into a cell of CurSheet at once. False without a current sheet; a row or column
    // outside 16 bits is error 6, one the host refuses is a host error.
    bool DoA_OutputString(int32_t nRow, int32_t nCol, const std::string& strValue);
    bool DoA_OutputString1(const std::string& strPos, const std::string& strValue);

    // Writes every entry's value at its address on CurSheet (unassigned entries empty their
    // cells), then applies the header clear mode. Never fails; answers the number of entries.
    int16_t DoA_End();

    // Every entry gets the attribute of the same name (exact case) of the element pNode; "" when
    // absent or when pNode is the null node. False only when there are no entries.
    bool DoA_ReplaceXml0(const data::XmlNode& pNode);
    // DoA_ReplaceXml0 with the first node that strFldQuery selects below the root element of
    // strXmlFile. False when the file cannot be loaded or the query is refused.
    bool DoA_ReplaceXml(const std::string& strXmlFile, const std::string& strFldQuery);

    // The entries found by the last DoA_Begin (without the spare element).
    std::span<const SWhiteDot> entries() const { return {whiteDots_.data(), whiteDots_.size() - 1}; }
    // The header clear mode DoA_End will apply.
    int32_t headerClearMode() const { return clearWhiteMode_; }

    const com::DispatchTable& dispatchTable() const override;

private:
    int16_t ScanHeaderRows();
    int16_t ScanWhiteDots();
    bool AddWhiteDot(const host::Range& cell, int16_t index);
    static std::string GetWhiteDotName(const std::string& text);

    void resetEntries();
    int16_t writeBack();
    // Gives every named entry valueOf(its name); true when at least one entry was visited.
    bool assignEach(const std::function<std::string(const std::string&)>& valueOf);

    // Entries followed by one spare element (ePos = ePosType_No); never empty.
    std::vector<SWhiteDot> whiteDots_{SWhiteDot{}};
    int32_t clearWhiteMode_ = 0;
    bool beginFailed_ = false;
};

}  // namespace tavlora::tmplone
