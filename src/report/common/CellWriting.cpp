#include "report/common/CellWriting.h"

#include <string>
#include <unordered_set>

#include "host/Range.h"
#include "host/Worksheet.h"

namespace tavlora::common::MCommExcel {

bool WriteCellByRowCol(const std::shared_ptr<host::Worksheet>& sheet, int16_t nRow, int16_t nCol,
                       const std::string& strValue) {
    if (!sheet) return false;
    sheet->cell(nRow, nCol).setValue(com::Variant(strValue));
    return true;
}

bool WriteCellByAddress(const std::shared_ptr<host::Worksheet>& sheet, const std::string& strPos,
                        const std::string& strValue) {
    if (!sheet) return false;
    sheet->range(strPos).setValue(com::Variant(strValue));
    return true;
}

int32_t ReplaceAllInSheet(const std::shared_ptr<host::Worksheet>& sheet, const std::string& strFind,
                          const std::string& strValue) {
    int32_t count = 0;
    if (!sheet) return 0;
    try {
        host::Range used = sheet->usedRange();
        auto found = used.find(strFind, host::lookin::kValues);
        if (!found) return 0;
        // The search ends where it began; and since a written cell may stop matching (the first
        // one among them) while another keeps matching through its number format, it also ends
        // when it comes back to any cell already written, so each cell is visited once.
        std::unordered_set<std::string> written;
        for (;;) {
            found->setValue(com::Variant(strValue));
            ++count;
            written.insert(found->address());
            found = used.findNext(*found);
            if (!found || written.count(found->address())) break;
        }
    } catch (...) {
        // The cells written so far stay written; the count says how many.
    }
    return count;
}

int32_t ReplaceWhiteDotInSheet(const std::shared_ptr<host::Worksheet>& sheet, const std::string& strName,
                               const std::string& strValue) {
    return ReplaceAllInSheet(sheet, "%" + strName + "%", strValue);
}

}  // namespace tavlora::common::MCommExcel
