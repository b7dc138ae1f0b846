#pragma once
#include <cstdint>
#include <memory>
#include <string>

namespace tavlora::host {
class Worksheet;
}

// Writing a text into one cell, and overwriting every cell of a sheet that holds a given text.
namespace tavlora::common::MCommExcel {

// False when there is no sheet; host errors (row or column 0, beyond the grid) reach the caller.
bool WriteCellByRowCol(const std::shared_ptr<host::Worksheet>& sheet, int16_t nRow, int16_t nCol,
                       const std::string& strValue);
// Every cell of the addressed area receives the text. Bad addresses are host errors.
bool WriteCellByAddress(const std::shared_ptr<host::Worksheet>& sheet, const std::string& strPos,
                        const std::string& strValue);
// Replaces the whole value of every used cell whose displayed text contains strFind (host search
// rules: part match, case ignored, wildcards). Answers the number of cells written; never fails.
int32_t ReplaceAllInSheet(const std::shared_ptr<host::Worksheet>& sheet, const std::string& strFind,
                          const std::string& strValue);
// ReplaceAllInSheet with "%" + strName + "%".
int32_t ReplaceWhiteDotInSheet(const std::shared_ptr<host::Worksheet>& sheet, const std::string& strName,
                               const std::string& strValue);

}  // namespace tavlora::common::MCommExcel
