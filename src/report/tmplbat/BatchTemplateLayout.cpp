#include "report/tmplbat/BatchTemplateLayout.h"

#include <string_view>

#include "base/Utf8.h"
#include "com/Conversions.h"
#include "com/Error.h"
#include "report/common/Failures.h"
#include "report/common/NumberPair.h"
#include "report/common/TemplateCellText.h"
#include "host/Range.h"
#include "host/Worksheet.h"

namespace tavlora::tmplbat {

namespace {

std::string cellText(host::Worksheet& sheet, const char* address) { return common::templateCellText(sheet.range(address)); }

std::string trimmedCellText(host::Worksheet& sheet, const char* address) {
    return com::trimBlanks(cellText(sheet, address));
}

// The first cell's trimmed text, or the second's when the first is empty.
std::string trimmedCellTextOr(host::Worksheet& sheet, const char* address, const char* fallback) {
    std::string text = trimmedCellText(sheet, address);
    return text.empty() ? trimmedCellText(sheet, fallback) : text;
}

// A count below 1 stretches to the end of the used range, counted as if it began at row/column 1.
int16_t countToUsedEnd(int64_t usedCount, int16_t start) {
    return com::narrowToInt16(usedCount - start + 1);
}

int32_t ctrlModeOf(const std::string& text) {
    if (text.empty() || text == "1") return ctrlmode::kClear;
    if (text == "2") return ctrlmode::kDelete;
    return ctrlmode::kKeep;
}

void replaceAll(std::string& text, std::string_view from, char to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + 1))
        text.replace(at, from.size(), 1, to);
}

// The delimiters as the language sees them: full-width forms fold to their ASCII partners.
std::string foldSpecDelimiters(std::string text) {
    replaceAll(text, "\xEF\xBC\x88", '(');  // U+FF08
    replaceAll(text, "\xEF\xBC\x89", ')');  // U+FF09
    replaceAll(text, "\xEF\xBC\x8C", ',');  // U+FF0C
    return text;
}

// Positions are 16-bit in the template arithmetic: a delimiter beyond UTF-16 unit 32767 overflows.
void requireSixteenBitPosition(const std::string& text, size_t bytePosition) {
    if (bytePosition != std::string::npos && bytePosition >= 32767)
        com::narrowToInt16(base::utf16Length(std::string_view(text).substr(0, bytePosition)) + 1);
}

int16_t definitionNumber(const std::string& text, size_t from, size_t to) {
    return com::toInt16(com::Variant(text.substr(from, to - from)));
}

bool refuseLayout(std::string reason) {
    common::noteCause(std::move(reason));
    return false;
}

}  // namespace

bool BatchTemplateLayout::ReadTemplateLayout(host::Worksheet& sheet) {
    try {
        strKeyFld = trimmedCellText(sheet, "A1");

        std::string columnPair = trimmedCellTextOr(sheet, "A2", "A4");
        if (!common::MCommExcel::ParseNumberPair(columnPair, nColStart, nColCount))
            return refuseLayout("the control cell A2 (or A4) holds \"" + columnPair +
                                "\", not a first column and a count such as \"2,5\"");
        if (nColCount < 1) {
            nColCount = countToUsedEnd(sheet.usedRange().columns().count(), nColStart);
            if (nColCount < 1) return refuseLayout("no used column at or after the first column of A2 (or A4)");
        }

        std::string rowPair = trimmedCellTextOr(sheet, "A3", "A5");
        if (!common::MCommExcel::ParseNumberPair(rowPair, nRowStart, nRowCount))
            return refuseLayout("the control cell A3 (or A5) holds \"" + rowPair +
                                "\", not a first row and a count such as \"3,100\"");
        if (isKeyed() && nRowCount < 1) {
            nRowCount = countToUsedEnd(sheet.usedRange().rows().count(), nRowStart);
            if (nRowCount < 1) return refuseLayout("no used row at or after the first row of A3 (or A5)");
        }

        if (isKeyed()) {
            arrKeyText.assign(static_cast<size_t>(nRowCount), std::string());
            for (int16_t i = 0; i < nRowCount; ++i) {
                int16_t row = com::narrowToInt16(int32_t(nRowStart) + i);
                arrKeyText[static_cast<size_t>(i)] = common::templateCellText(sheet.cell(row, 1));
            }
        }

        arrWhiteCol.assign(static_cast<size_t>(nColCount), SWhiteCol{});
        for (int16_t i = 0; i < nColCount; ++i) {
            int16_t column = com::narrowToInt16(int32_t(nColStart) + i);
            // A definition that does not parse leaves the column without a field; only a bad number throws.
            ParseColumnSpec(common::templateCellText(sheet.cell(1, column)), arrWhiteCol[static_cast<size_t>(i)]);
        }

        nCtrlMode = ctrlModeOf(trimmedCellText(sheet, "A6"));
        return true;
    } catch (...) {
        return refuseLayout("reading the list template's control area failed: " +
                            common::describeException(std::current_exception()));
    }
}

void BatchTemplateLayout::ClearTemplateLayout() {
    arrKeyText.clear();
    arrWhiteCol.clear();
    arrFldIndex.clear();
}

void BatchTemplateLayout::throwNoSuchColumn() {
    throw com::Error(com::hr::kSubscriptOutOfRange, "Subscript out of range");
}

void BatchTemplateLayout::throwStepOverflow(int32_t value) {
    (void)com::narrowToInt16(value);  // throws the overflow with its message
    throw com::Error(com::hr::kOverflow, "Overflow");
}

bool BatchTemplateLayout::ParseColumnSpec(const std::string& strText, SWhiteCol& udtCol) {
    udtCol = SWhiteCol{};
    if (strText.empty()) return false;

    std::string text = foldSpecDelimiters(strText);
    size_t open = text.find('(');
    size_t comma = text.find(',');
    size_t close = text.find(')');
    requireSixteenBitPosition(text, open);
    requireSixteenBitPosition(text, comma);
    requireSixteenBitPosition(text, close);

    if (open == std::string::npos) {
        udtCol.strFld = text;
        return true;
    }
    if (close == std::string::npos || close < open) return false;

    udtCol.strFld = text.substr(0, open);
    if (comma == std::string::npos) {
        udtCol.nRowOffset = definitionNumber(text, open + 1, close);
        return true;
    }
    // A comma outside the brackets leaves a bracket inside one of the two numbers (or a negative
    // length): either way the column definition is broken.
    if (comma < open || comma > close)
        throw com::Error(com::hr::kInvalidCall, "Column definition with a comma outside its brackets: " + strText);
    udtCol.nRowOffset = definitionNumber(text, open + 1, comma);
    udtCol.nRowAdd = definitionNumber(text, comma + 1, close);
    return true;
}

}  // namespace tavlora::tmplbat
