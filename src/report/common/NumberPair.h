#pragma once
#include <cstdint>
#include <string>

namespace tavlora::common::MCommExcel {

// Reads "first[,second]" as a batch template keeps it in a control cell: blanks allowed around the
// text and each number, a full-width comma counts as ",", only the first comma splits, each
// number is numeric text rounded half to even to a 16-bit integer.
//
// Outputs start as nFirst = 1, nSecond = 0; an empty (or blank) text answers true with them.
// Answers false when a part is not numeric text, when the left part is empty, when a number lies
// outside -32768..32767, or when the trimmed text is longer than 32767 UTF-16 units. On false the
// outputs hold what was assigned before the failure (the defaults, or a valid first number).
bool ParseNumberPair(const std::string& strText, int16_t& nFirst, int16_t& nSecond);

}  // namespace tavlora::common::MCommExcel
