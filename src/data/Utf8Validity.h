#pragma once
#include <cstddef>
#include <string>
#include <string_view>

// Text in the library is UTF-8. Bytes that come from outside (database texts, which SQLite does
// not check, and XML files) are checked here before they become text.
namespace tavlora::data {

// Well-formed UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool isValidUtf8(std::string_view bytes);
// The bytes with each ill-formed sequence replaced by U+FFFD (one per maximal invalid part).
std::string toValidUtf8(std::string_view bytes);

}  // namespace tavlora::data
