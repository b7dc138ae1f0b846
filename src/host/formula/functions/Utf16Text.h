#pragma once
#include <string>
#include <string_view>

// Text as the worksheet functions count it: positions and lengths are UTF-16 code units (a
// character beyond U+FFFF, an emoji, counts 2), and a text result may hold at most 32,767 of them.
namespace tavlora::host::formula {

constexpr size_t kMaxTextLength = 32767;

std::u16string toUtf16(std::string_view utf8);
// A surrogate left without its partner (LEFT cutting an emoji in half) becomes U+FFFD: our text is
// UTF-8, which cannot hold half a character.
std::string fromUtf16(std::u16string_view units);

// The text as a function result, or #VALUE! when it is longer than a cell may hold.
bool fitsInCell(std::string_view utf8);

}  // namespace tavlora::host::formula
