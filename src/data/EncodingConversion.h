#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace tavlora::data {

// Converts bytes of a named encoding ("UTF-16LE", "ISO-8859-1", "Shift_JIS", ...) to UTF-8; nothing
// when the platform does not know the name or a byte sequence is not valid in it.
std::optional<std::string> convertToUtf8(std::string_view bytes, const char* encoding);

}  // namespace tavlora::data
