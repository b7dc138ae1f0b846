#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "com/Dispatch.h"
#include "report/printjob/JobTarget.h"
#include "tavlora/Export.h"

namespace tavlora::host {
class Workbook;
class Worksheet;
}  // namespace tavlora::host

namespace tavlora::printjob {
class CExcelBatDo;
}

namespace tavlora::data {
class Recordset;
class XmlNode;
class XmlNodeList;
}  // namespace tavlora::data

namespace tavlora::outputrcd {

// Writes a whole data set (a recordset, or XML record elements) into a worksheet as a plain table:
// an optional merged title row, a header row of captions, one row per record, in a fixed house
// style, with the columns fitted to what was written. Output methods answer false on any failure
// and leave in place whatever they wrote before it.
class TAVLORA_API CExcelOutputRcd : public com::Dispatch, public printjob::JobTarget {
public:
    // How the columns of an XML table are found (xmlWay).
    enum XmlWay : int32_t {
        kXmlWayFirstRecordAttributes = 0,  // attributes of the first data element; caption = name
        kXmlWayFieldText = 1,              // text of each field node; caption = key
        kXmlWayFieldKeyAttribute = 2,      // attribute xmlFldKey of each field element; caption = key
        kXmlWayFieldKeyAndCaption = 3,     // as 2, caption from attribute xmlFldAdo when it is named
    };

    static std::shared_ptr<CExcelOutputRcd> create() { return std::make_shared<CExcelOutputRcd>(); }

    // Kept and answered only; captions and zero values are written as the source gives them.
    bool IsFldNameOfAlias() const { return isFldNameOfAlias_; }
    void setIsFldNameOfAlias(bool value) { isFldNameOfAlias_ = value; }
    bool IsNoZero() const { return isNoZero_; }
    void setIsNoZero(bool value) { isNoZero_ = value; }

    bool IsTitle() const { return isTitle_; }
    void setIsTitle(bool value) { isTitle_ = value; }
    // "" selects the default title: the sheet name followed by "记录".
    const std::string& Title() const { return title_; }
    void setTitle(std::string value) { title_ = std::move(value); }

    int32_t xmlWay() const { return xmlWay_; }
    void setXmlWay(int32_t value) { xmlWay_ = value; }
    const std::string& xmlFldKey() const { return xmlFldKey_; }
    void setXmlFldKey(std::string value) { xmlFldKey_ = std::move(value); }
    const std::string& xmlFldAdo() const { return xmlFldAdo_; }
    void setXmlFldAdo(std::string value) { xmlFldAdo_ = std::move(value); }

    // The recordset from its current record up to EOF as a table at (Row, Col) of the sheet named
    // strSheetName ("" = CurSheet; a missing sheet is added after the last one). The recordset is
    // left at EOF.
    bool DoA_RcdRst(const std::string& strSheetName, const std::shared_ptr<data::Recordset>& rst,
                    int32_t Row = 1, int32_t Col = 1);
    // Every element of pDataNodeList as a row; columns as xmlWay says (pFldNodeList may be none in
    // mode 0). Rows are limited to 32,767.
    bool DoA_RcdXml0(const std::string& strSheetName, const std::shared_ptr<data::XmlNodeList>& pDataNodeList,
                     const std::shared_ptr<data::XmlNodeList>& pFldNodeList, int32_t Row = 1, int32_t Col = 1);
    // Loads strXmlFile, selects the records with strRowQuery and (except in mode 0) the fields
    // with strColQuery, both relative to the root element, then writes them as DoA_RcdXml0 does.
    bool DoA_RcdXml(const std::string& strSheetName, const std::string& strXmlFile, const std::string& strRowQuery,
                    const std::string& strColQuery = "", int32_t Row = 1, int32_t Col = 1);

    // The column keys and captions of the last XML column discovery: indexes 0 .. candidates, the
    // accepted columns first, then "".
    const std::vector<std::string>& fieldKeys() const { return astrFldKeys_; }
    const std::vector<std::string>& fieldNames() const { return astrFldNames_; }

    const com::DispatchTable& dispatchTable() const override;

    // base + offset in 32 bits, as the table's row and column arithmetic is; outside it: error 6.
    static int32_t offsetBy(int32_t base, int64_t offset);

private:
    // Table styles: 0 body (the whole sheet), 1 title row, 2 header row; others apply nothing.
    void ApplyTableStyle(int16_t nStyle, int32_t nRow, int32_t nCol, int16_t nCount, int32_t nRows);
    void WriteTableTitle(const std::string& strTitle, int16_t nCount, int16_t nRow, int16_t nCol);
    std::string GetTableTitle(const std::string& strSheetName) const;
    int16_t CollectXmlFields(const std::shared_ptr<data::XmlNodeList>& pFldNodeList,
                             const std::shared_ptr<data::XmlNodeList>& pDataNodeList);
    int16_t AddXmlField(const data::XmlNode& node, int16_t nIndex);
    int16_t WriteXmlRow(const data::XmlNode& node, int16_t nRow, int32_t nCol);

    void resetFieldTable(int16_t candidates);
    bool acquireSheet(const std::string& strSheetName);
    // Body style, optional title, header row with the captions; answers the first data row.
    int32_t writeTableHead(const std::string& strSheetName, int32_t nRow, int32_t nCol,
                           const std::vector<std::string>& captions);
    void fitColumns();
    // One record's values, as the recordset gives them, from column nCol on.
    void writeRecord(const data::Recordset& rst, int32_t nRow, int32_t nCol);

    std::vector<std::string> astrFldKeys_;
    std::vector<std::string> astrFldNames_;
    bool isTitle_ = false;
    std::string title_;
    bool isNoZero_ = false;
    bool isFldNameOfAlias_ = false;
    int32_t xmlWay_ = 0;
    std::string xmlFldKey_;
    std::string xmlFldAdo_;
};

}  // namespace tavlora::outputrcd
