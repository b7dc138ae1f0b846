#pragma once
#include <string>
#include <string_view>

// UTF-16, the text of wide-character interfaces (database drivers, the automation world). A lone
// surrogate reads as U+FFFD, as an ill-formed UTF-8 part does.
namespace tavlora::base {

std::string utf8FromUtf16(std::u16string_view units);
// Ill-formed UTF-8 parts become U+FFFD.
std::u16string utf16FromUtf8(std::string_view text);

}  // namespace tavlora::base
