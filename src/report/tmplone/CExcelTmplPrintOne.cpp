#include "tavlora/CExcelTmplPrintOne.h"

#include "base/Ascii.h"
#include "base/Utf8.h"
#include "com/Conversions.h"
#include "com/UnicodeText.h"
#include "report/common/CellWriting.h"
#include "report/common/Failures.h"
#include "report/common/MCommFun.h"
#include "report/common/MCommXml.h"
#include "data/Recordset.h"
#include "data/XmlNode.h"
#include "data/XmlNodeList.h"
#include "host/Range.h"
#include "host/RangeFind.h"
#include "host/Workbook.h"
#include "host/Worksheet.h"
#include "tavlora/CExcelBatDo.h"
#include "report/common/SheetAcquisition.h"
#include "report/common/TemplateCellText.h"

namespace tavlora::tmplone {

namespace {

constexpr char32_t kDelimiter = U'%';
constexpr char32_t kFullWidthDelimiter = U'\uFF05';

bool isDelimiter(char32_t cp) { return cp == kDelimiter || cp == kFullWidthDelimiter; }

// True when the names differ in an ASCII first letter, which equalsIgnoreCase would find at its
// first step: most of a sheet's placeholder names are told apart so, without the call.
bool firstLettersDiffer(std::string_view a, std::string_view b) {
    if (a.empty() || b.empty()) return false;
    const auto x = static_cast<unsigned char>(a.front());
    const auto y = static_cast<unsigned char>(b.front());
    return x < 0x80 && y < 0x80 && base::asciiUpper(char(x)) != base::asciiUpper(char(y));
}

}  // namespace

bool CExcelTmplPrintOne::DoA_Begin(const std::string& strSheetName, int16_t nWhiteMode, int16_t nClearWhiteMode) {
    beginFailed_ = !common::trapFailure(common::memberCall("DoA_Begin", strSheetName), false, [&] {
        if (!common::MCommExcelIn::AcquireTargetSheet(workbook_, sheet_, job_, strSheetName, false, true)) {
            return false;
        }
        resetEntries();
        if (nWhiteMode != 0) {
            clearWhiteMode_ = 0;
            ScanWhiteDots();
        } else {
            clearWhiteMode_ = nClearWhiteMode;
            ScanHeaderRows();
        }
        return true;
    });
    // Placeholders found before the failure, or those of an earlier sheet, are no fill: DoA_End
    // must neither write them nor clear the header rows.
    if (beginFailed_) {
        resetEntries();
        clearWhiteMode_ = 0;
    }
    return !beginFailed_;
}

bool CExcelTmplPrintOne::DoA_ReplaceRst(const std::shared_ptr<data::Recordset>& rst) {
    return common::explainFailure(common::memberCall("DoA_ReplaceRst", rst), false, [&] {
        return assignEach([&](const std::string& name) { return common::MCommFun::GetFieldText(rst, name); });
    });
}

bool CExcelTmplPrintOne::DoA_ReplaceA(const std::string& strWhiteDotName, const std::string& strWhiteDotValue) {
    return common::trapFailure(common::memberCall("DoA_ReplaceA", strWhiteDotName), false, [&] {
        // Compared in place: upper-casing every entry's name made two texts per entry per call.
        for (size_t i = 0; i + 1 < whiteDots_.size(); ++i) {
            const std::string& name = whiteDots_[i].strFld;
            if (!firstLettersDiffer(name, strWhiteDotName) && com::equalsIgnoreCase(name, strWhiteDotName)) {
                whiteDots_[i].strValue = strWhiteDotValue;
                return true;
            }
        }
        common::noteCause("the sheet has no placeholder named '" + strWhiteDotName + "'");
        return false;
    });
}

bool CExcelTmplPrintOne::DoA_OutputString(int32_t nRow, int32_t nCol, const std::string& strValue) {
    const auto sheet = CurSheet();
    const int16_t row = com::narrowToInt16(nRow);
    const int16_t column = com::narrowToInt16(nCol);
    return common::MCommExcel::WriteCellByRowCol(sheet, row, column, strValue);
}

bool CExcelTmplPrintOne::DoA_OutputString1(const std::string& strPos, const std::string& strValue) {
    return common::MCommExcel::WriteCellByAddress(CurSheet(), strPos, strValue);
}

int16_t CExcelTmplPrintOne::DoA_End() {
    return common::explainFailure(common::memberCall("DoA_End"), int16_t{-1}, [&] {
        if (beginFailed_) common::noteAbsorbed("the last DoA_Begin failed: nothing was written");
        return writeBack();
    });
}

int16_t CExcelTmplPrintOne::writeBack() {
    const auto sheet = CurSheet();
    int16_t written = 0;
    for (size_t i = 0; i + 1 < whiteDots_.size(); ++i) {
        const SWhiteDot& entry = whiteDots_[i];
        if (entry.ePos != ePosType_A1) continue;
        // A write the host refuses is skipped, but the entry still counts as written. An entry
        // without a value empties its cell rather than leaving an empty text in it.
        try {
            if (sheet) {
                sheet->range(entry.strPos)
                    .setValue(entry.strValue.empty() ? com::Variant() : com::Variant(entry.strValue));
            }
        } catch (...) {
            common::noteAbsorbed("writing " + entry.strPos + " failed: " +
                                 common::describeException(std::current_exception()));
        }
        if (written < INT16_MAX) ++written;
    }
    try {
        if (sheet && clearWhiteMode_ == 1) sheet->range("1:2").clear();
        if (sheet && clearWhiteMode_ == 2) sheet->range("1:2").deleteCells();
    } catch (...) {
        common::noteAbsorbed("clearing the header rows failed: " + common::describeException(std::current_exception()));
    }
    return written;
}

bool CExcelTmplPrintOne::DoA_ReplaceXml0(const data::XmlNode& pNode) {
    return common::explainFailure(common::memberCall("DoA_ReplaceXml0"), false, [&] {
        return assignEach([&](const std::string& name) { return common::MCommXml::GetAttributeText(pNode, name); });
    });
}

bool CExcelTmplPrintOne::DoA_ReplaceXml(const std::string& strXmlFile, const std::string& strFldQuery) {
    return common::trapFailure(common::memberCall("DoA_ReplaceXml", strXmlFile, strFldQuery), false, [&] {
        const auto nodes = common::MCommXml::LoadXmlNodeList(strXmlFile, strFldQuery);
        if (!nodes) return false;
        // An empty list gives the null node: every entry is emptied.
        return DoA_ReplaceXml0(nodes->nextNode());
    });
}

bool CExcelTmplPrintOne::assignEach(const std::function<std::string(const std::string&)>& valueOf) {
    bool assigned = false;
    for (size_t i = 0; i + 1 < whiteDots_.size(); ++i) {
        SWhiteDot& entry = whiteDots_[i];
        if (entry.strFld.empty() || entry.ePos == ePosType_No) continue;
        entry.strValue = valueOf(entry.strFld);
        assigned = true;
    }
    if (!assigned) common::noteCause("no placeholders were collected: DoA_Begin failed, was not called or found none");
    return assigned;
}

int16_t CExcelTmplPrintOne::ScanHeaderRows() {
    const host::Range used = sheet_->usedRange();
    const int16_t firstColumn = com::narrowToInt16(used.column());
    const int16_t columnCount = com::narrowToInt16(used.columns().count());
    const int16_t lastColumn = com::narrowToInt16(int32_t{firstColumn} + columnCount - 1);
    int16_t appended = 0;
    for (int32_t column = firstColumn; column <= lastColumn; ++column) {
        const std::string name = common::templateCellText(sheet_->cell(1, column));
        if (name.empty()) continue;
        const std::string address = common::templateCellText(sheet_->cell(2, column));
        if (address.empty()) continue;
        whiteDots_.back() = SWhiteDot{name, ePosType_A1, address, std::string()};
        whiteDots_.emplace_back();
        appended = com::narrowToInt16(int32_t{appended} + 1);
    }
    return appended;
}

int16_t CExcelTmplPrintOne::ScanWhiteDots() {
    // The cells a Find / FindNext loop would visit, found in one walk: the scan changes no cell.
    int16_t count = 0;
    const std::vector<host::Range> cells = host::findEach(sheet_->usedRange(), "%*%", host::lookin::kValues);
    whiteDots_.reserve(cells.size() + 1);
    for (const host::Range& cell : cells)
        if (AddWhiteDot(cell, count)) count = com::narrowToInt16(int32_t{count} + 1);
    return count;
}

bool CExcelTmplPrintOne::AddWhiteDot(const host::Range& cell, int16_t index) {
    std::string name = GetWhiteDotName(com::toText(cell.value()));
    if (name.empty()) return false;
    const auto slot = static_cast<size_t>(index);
    if (whiteDots_.size() <= slot) whiteDots_.resize(slot + 1);
    whiteDots_[slot] = SWhiteDot{std::move(name), ePosType_A1, cell.address(), std::string()};
    whiteDots_.resize(slot + 2);
    return true;
}

std::string CExcelTmplPrintOne::GetWhiteDotName(const std::string& text) {
    // Positions are counted in UTF-16 units and must fit 16 bits, as the template's
    // cell texts are limited that way; the bytes are remembered to cut the name out.
    int64_t unit = 0;
    int16_t first = 0;
    int16_t last = 0;
    size_t firstEnd = 0;
    size_t lastBegin = 0;
    for (size_t i = 0; i < text.size();) {
        const size_t begin = i;
        const char32_t cp = base::nextCodePoint(text, i);
        ++unit;
        if (isDelimiter(cp)) {
            if (first == 0) {
                first = com::narrowToInt16(unit);
                firstEnd = i;
            }
            last = com::narrowToInt16(unit);
            lastBegin = begin;
        }
        if (cp > 0xFFFF) ++unit;
    }
    if (first <= 0 || last <= 0) return std::string();
    if (first == last) throw com::Error(com::hr::kInvalidCall, "A placeholder needs two delimiters");
    return text.substr(firstEnd, lastBegin - firstEnd);
}

void CExcelTmplPrintOne::resetEntries() { whiteDots_.assign(1, SWhiteDot{}); }

}  // namespace tavlora::tmplone
