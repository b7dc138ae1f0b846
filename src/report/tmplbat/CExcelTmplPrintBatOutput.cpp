// The record output of the list filler: every record of a recordset or an XML node list laid into
// the blocks of rows that the template's layout describes.
#include <algorithm>
#include <cstdint>
#include <optional>
#include <string_view>

#include "com/Conversions.h"
#include "com/Error.h"
#include "com/NumberThroughText.h"
#include "report/common/Failures.h"
#include "report/common/MCommFun.h"
#include "report/common/MCommXml.h"
#include "data/Recordset.h"
#include "data/XmlNode.h"
#include "data/XmlNodeList.h"
#include "host/CellWrites.h"
#include "host/Range.h"
#include "host/Workbook.h"
#include "host/Worksheet.h"
#include "tavlora/CExcelTmplPrintBat.h"
#include "report/tmplbat/KeyLabelIndex.h"

namespace tavlora::tmplbat {

namespace {

constexpr const char* kPastLastRow = "records that would land past row 32767 were left out";

KeyLabelIndex keyLabelsOf(const BatchTemplateLayout& layout) {
    return layout.isKeyed() ? KeyLabelIndex(layout.arrKeyText) : KeyLabelIndex();
}

// The row of the label found at `index`, or 0 (skip the record) when there is none.
int32_t labelRow(const BatchTemplateLayout& layout, int32_t index) {
    if (index < 0) return 0;
    return com::narrowToInt16(int32_t(layout.nRowStart) + index);
}

// The cells a record's values went to, told to the workbook's calculation once for the record
// instead of once a cell: one area holding them all. A formula reading a cell of that area that
// the record did not write is computed again for nothing; none reading a written one is missed.
class CellsWritten {
public:
    void add(host::Workbook& book, int32_t row, int32_t column) {
        book_ = &book;
        area_ = count_++ == 0 ? host::Area::cell(row, column)
                              : host::Area{std::min(area_.firstRow, row), std::min(area_.firstColumn, column),
                                           std::max(area_.lastRow, row), std::max(area_.lastColumn, column)};
    }
    // Before anything reads the sheet again, and however the record ended: a record stopped
    // midway keeps what it wrote.
    void tell(const host::Worksheet& sheet) {
        if (count_ != 0) book_->noteValuesChanged(sheet, area_);
        count_ = 0;
    }

private:
    host::Workbook* book_ = nullptr;
    host::Area area_{};
    size_t count_ = 0;
};

// A field's value reaches its cell through its text (toText, then written as typed). A number
// whose text reads back as the number itself, into a cell not formatted as text, ends as that
// number: it is written so without the text being made and read. A nonzero number of that kind
// is never one the "no zeros" option empties. False when the value must go through its text
// (and for a cell outside the grid, which the general way reports).
// Written by the sheet's own number write, without a range made per cell: most of a list's cells
// are numbers, and making a range and telling the calculation about each cost more than the write.
bool wroteNumberDirectly(host::Worksheet* sheet, int32_t row, int32_t column, const com::Variant& value,
                         CellsWritten& written) {
    if (!sheet || !host::isOnGrid(row, column)) return false;
    std::optional<double> number = com::numberThroughText(value);
    if (!number) return false;
    host::Workbook& book = sheet->usableWorkbook();
    if (!sheet->writeTypedNumber(row, column, *number)) return false;
    written.add(book, row, column);
    return true;
}

// A field's text written as Range.Value writes it, the cell noted in `written`. An empty text (and
// a zero under the "no zeros" option) empties the cell, as assigning "" does in the spreadsheet
// application. A cell outside the grid is refused with the sheet's own error.
// The text is read as a number once, for the "no zeros" test and the typed write.
void writeFieldText(host::Worksheet& sheet, int32_t row, int32_t column, std::string_view text, bool noZero,
                    CellsWritten& written) {
    if (!host::isOnGrid(row, column)) (void)sheet.cell(row, column);
    host::Workbook& book = sheet.usableWorkbook();
    const std::optional<double> number = host::typedNumberOf(text);
    if (text.empty() || (noZero && number && common::MCommFun::IsZeroNumber(*number)))
        host::emptyCellValue(sheet, row, column);
    else
        host::writeTypedText(sheet, row, column, text, number);
    written.add(book, row, column);
}

}  // namespace

template <class IsMapped>
bool CExcelTmplPrintBat::computeCellRows(int32_t r, IsMapped isMapped) {
    cellRows_.assign(static_cast<size_t>(std::max<int16_t>(layout_.nColCount, 0)), 0);
    // Once the sequence has passed row 32767 every later record lands here: answer without the
    // cost of an exception per record.
    if (r > INT16_MAX) return false;
    try {
        int16_t base = com::narrowToInt16(r);
        for (int16_t i = 0; i < layout_.nColCount; ++i)
            if (isMapped(i)) cellRows_[static_cast<size_t>(i)] = layout_.GetRecordCellRow(base, i);
    } catch (const com::Error& error) {
        if (error.code() == com::hr::kOverflow) return false;
        throw;
    }
    return true;
}

bool CExcelTmplPrintBat::DoA_OutputRst(const std::shared_ptr<data::Recordset>& rst) {
    return common::trapFailure(common::memberCall("DoA_OutputRst", rst), false, [&] {
        if (refuseAfterFailedBegin()) return false;
        if (!rst) throw com::Error(com::hr::kObjectNotSet, "No recordset to output");
        MapColumnFields(*rst);
        const KeyLabelIndex labels = keyLabelsOf(layout_);
        int32_t blockPosition = layout_.nRowStart;
        bool droppedBeyondLastRow = false;
        while (!rst->Eof()) {
            RecordOutcome outcome = WriteRecordRow(*rst, blockPosition, labels);
            if (outcome == RecordOutcome::Written) ++blockPosition;
            if (outcome == RecordOutcome::RowOverflow) droppedBeyondLastRow = true;
            rst->MoveNext();
        }
        if (droppedBeyondLastRow) common::noteCause(kPastLastRow);
        return !droppedBeyondLastRow;
    });
}

bool CExcelTmplPrintBat::DoA_OutputXml0(const std::shared_ptr<data::XmlNodeList>& pNodeList) {
    return common::trapFailure(common::memberCall("DoA_OutputXml0", pNodeList), false, [&] {
        if (refuseAfterFailedBegin()) return false;
        if (!pNodeList) throw com::Error(com::hr::kObjectNotSet, "No node list to output");
        const KeyLabelIndex labels = keyLabelsOf(layout_);
        int32_t blockPosition = layout_.nRowStart;
        bool droppedBeyondLastRow = false;
        pNodeList->reset();
        for (data::XmlNode node = pNodeList->nextNode(); !node.isNull(); node = pNodeList->nextNode()) {
            if (!node.isElement())
                throw com::Error(com::hr::kTypeMismatch, "The node list holds a node that is not an element");
            RecordOutcome outcome = WriteXmlRecordRow(node, blockPosition, labels);
            if (outcome == RecordOutcome::Written) ++blockPosition;
            if (outcome == RecordOutcome::RowOverflow) droppedBeyondLastRow = true;
        }
        if (droppedBeyondLastRow) common::noteCause(kPastLastRow);
        return !droppedBeyondLastRow;
    });
}

bool CExcelTmplPrintBat::DoA_OutputXml(const std::string& strXmlFile, const std::string& strQuery) {
    return common::trapFailure(common::memberCall("DoA_OutputXml", strXmlFile, strQuery), false, [&] {
        std::shared_ptr<data::XmlNodeList> nodes = common::MCommXml::LoadXmlNodeList(strXmlFile, strQuery);
        if (!nodes) return false;
        return DoA_OutputXml0(nodes);
    });
}

void CExcelTmplPrintBat::MapColumnFields(data::Recordset& rst) {
    if (layout_.nColCount < 1) return;
    // Any failure ends the mapping; entries not reached keep 0. Without a layout (no successful
    // DoA_Begin) that happens at the first column, and every record then fails on its rows.
    try {
        if (layout_.isKeyed()) layout_.nKeyFldIndex = common::MCommFun::FindFieldIndex(rst, layout_.strKeyFld);
        layout_.arrFldIndex.assign(static_cast<size_t>(layout_.nColCount), 0);
        for (size_t i = 0; i < layout_.arrFldIndex.size(); ++i) {
            const std::string& field = layout_.arrWhiteCol.at(i).strFld;
            layout_.arrFldIndex[i] = field.empty() ? int16_t(-1) : common::MCommFun::FindFieldIndex(rst, field);
        }
    } catch (...) {
    }
}

int32_t CExcelTmplPrintBat::FindKeyRow(data::Recordset& rst, const KeyLabelIndex& labels) const {
    try {
        return labelRow(layout_, labels.find(com::toText(rst.FieldValue(layout_.nKeyFldIndex))));
    } catch (...) {
        // No key field (position -1) or a null key: the record has no row.
        return 0;
    }
}

int32_t CExcelTmplPrintBat::FindXmlKeyRow(const data::XmlNode& element, const KeyLabelIndex& labels) const {
    try {
        return labelRow(layout_, labels.find(common::MCommXml::GetAttributeText(element, layout_.strKeyFld)));
    } catch (...) {
        return 0;
    }
}

CExcelTmplPrintBat::RecordOutcome CExcelTmplPrintBat::WriteRecordRow(data::Recordset& rst, int32_t nRow,
                                                                     const KeyLabelIndex& labels) {
    CellsWritten written;
    com::Variant holder;  // a field's value when the recordset has none to lend
    try {
        int32_t r = layout_.isKeyed() ? FindKeyRow(rst, labels) : nRow;
        if (r < 1) return RecordOutcome::Skipped;
        auto isMapped = [this](int16_t i) { return layout_.arrFldIndex.at(static_cast<size_t>(i)) >= 0; };
        if (!computeCellRows(r, isMapped)) return RecordOutcome::RowOverflow;
        for (int16_t i = 0; i < layout_.nColCount; ++i) {
            int16_t field = layout_.arrFldIndex[static_cast<size_t>(i)];
            if (field < 0) continue;  // the cell keeps the template's content
            const com::Variant& value = rst.LendFieldValue(field, holder);
            int16_t row = cellRows_[static_cast<size_t>(i)];
            const int32_t column = int32_t(layout_.nColStart) + i;
            if (wroteNumberDirectly(sheet_.get(), row, column, value, written)) continue;
            if (!sheet_) throw com::Error(com::hr::kObjectNotSet, "No current sheet");
            // A null value throws: the record stops here, its cells written so far stay.
            if (value.type() == com::VarType::String)
                writeFieldText(*sheet_, row, column, value.asString(), isNoZero_, written);
            else
                writeFieldText(*sheet_, row, column, com::toText(value), isNoZero_, written);
        }
        written.tell(*sheet_);
        return RecordOutcome::Written;
    } catch (...) {
        if (sheet_) written.tell(*sheet_);
        common::noteAbsorbed("a record was left incomplete: " + common::describeException(std::current_exception()));
        return RecordOutcome::Failed;
    }
}

CExcelTmplPrintBat::RecordOutcome CExcelTmplPrintBat::WriteXmlRecordRow(const data::XmlNode& element, int32_t nRow,
                                                                        const KeyLabelIndex& labels) {
    try {
        int32_t r = layout_.isKeyed() ? FindXmlKeyRow(element, labels) : nRow;
        if (r < 1) return RecordOutcome::Skipped;
        auto isMapped = [this](int16_t i) { return !layout_.arrWhiteCol.at(static_cast<size_t>(i)).strFld.empty(); };
        if (!computeCellRows(r, isMapped)) return RecordOutcome::RowOverflow;
        for (int16_t i = 0; i < layout_.nColCount; ++i) {
            const std::string& attribute = layout_.arrWhiteCol[static_cast<size_t>(i)].strFld;
            if (attribute.empty()) continue;
            // An attribute the element lacks reads as "", which empties the cell.
            writeCell(cellRows_[static_cast<size_t>(i)], i, common::MCommXml::GetAttributeText(element, attribute));
        }
        return RecordOutcome::Written;
    } catch (...) {
        common::noteAbsorbed("a record was left incomplete: " + common::describeException(std::current_exception()));
        return RecordOutcome::Failed;
    }
}

void CExcelTmplPrintBat::writeCell(int16_t row, int16_t columnIndex, std::string text) {
    if (!sheet_) throw com::Error(com::hr::kObjectNotSet, "No current sheet");
    CellsWritten written;
    writeFieldText(*sheet_, row, int32_t(layout_.nColStart) + columnIndex, std::move(text), isNoZero_, written);
    written.tell(*sheet_);
}

}  // namespace tavlora::tmplbat
