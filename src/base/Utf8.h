#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// UTF-8, the library's one text encoding. Decoding is strict: overlong forms, surrogates, code
// points above U+10FFFF and sequences cut short are ill-formed. Where text must go on, each
// maximal ill-formed part (the longest start of a sequence that could still have become
// well-formed, or else one byte) reads as one U+FFFD, as Unicode recommends; "\xE0\x80" is two
// parts, "\xE1\x80" one.
namespace tavlora::base {

inline constexpr char32_t kReplacementCharacter = 0xFFFD;
inline constexpr std::string_view kReplacementUtf8 = "\xEF\xBF\xBD";

// One step of decoding: the code point at a position and how many bytes it takes. An ill-formed
// part gives U+FFFD with `wellFormed` false and the length of that part (1 to 3).
struct Utf8Step {
    char32_t codePoint;
    uint8_t length;
    bool wellFormed;
};

namespace detail {
Utf8Step decodeMultibyte(std::string_view text, size_t at);
}

// The code point at text[at]. REQUIRES: at < text.size(). Allocates nothing; ASCII is inline.
inline Utf8Step decodeUtf8At(std::string_view text, size_t at) {
    auto lead = static_cast<unsigned char>(text[at]);
    if (lead < 0x80) return {lead, 1, true};
    return detail::decodeMultibyte(text, at);
}

// The code point at text[at] (U+FFFD for an ill-formed part), advancing `at` past it.
// REQUIRES: at < text.size().
inline char32_t nextCodePoint(std::string_view text, size_t& at) {
    Utf8Step step = decodeUtf8At(text, at);
    at += step.length;
    return step.codePoint;
}

// Appends the character at text[at] as it is, or U+FFFD for an ill-formed part, and answers how
// many bytes it took. REQUIRES: at < text.size().
size_t appendValidUtf8At(std::string& out, std::string_view text, size_t at);

// Appends a code point as UTF-8; a surrogate or a value above U+10FFFF appends U+FFFD.
void appendUtf8(std::string& out, char32_t codePoint);

bool isValidUtf8(std::string_view text);
// The text with each ill-formed part replaced by U+FFFD; appendValidUtf8 appends that to `out`.
std::string toValidUtf8(std::string_view text);
void appendValidUtf8(std::string& out, std::string_view text);

// The code points of the text, ill-formed parts as U+FFFD, into `out` (cleared first, so a
// caller can reuse its buffer).
void decodeUtf8(std::string_view text, std::u32string& out);
std::u32string decodeUtf8(std::string_view text);

// Length in UTF-16 code units, the unit of positions and lengths in the automation language.
int64_t utf16Length(std::string_view text);

}  // namespace tavlora::base
