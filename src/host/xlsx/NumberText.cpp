#include "host/xlsx/NumberText.h"

#include <charconv>
#include <cmath>
#include <cstdint>

#include "com/ShortDecimalText.h"

namespace tavlora::host::xlsx {

size_t formatNumber(double value, char* buffer) {
    char* const end = buffer + kNumberTextCapacity;
    if (std::fabs(value) < 1e15 && static_cast<double>(static_cast<int64_t>(value)) == value)
        return static_cast<size_t>(std::to_chars(buffer, end, static_cast<int64_t>(value)).ptr - buffer);
    static_assert(com::kShortDecimalCapacity <= kNumberTextCapacity);
    if (size_t length = com::formatShortDecimal(value, buffer)) return length;
    return static_cast<size_t>(std::to_chars(buffer, end, value).ptr - buffer);
}

void appendNumber(std::string& out, double value) {
    char buffer[kNumberTextCapacity];
    out.append(buffer, formatNumber(value, buffer));
}

}  // namespace tavlora::host::xlsx
