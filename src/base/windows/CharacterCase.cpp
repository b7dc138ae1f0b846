#include "base/CharacterCase.h"

#include <windows.h>

namespace tavlora::base {

namespace {

// A code point as UTF-16 (one unit, or a surrogate pair); the length is returned.
int toUtf16(char32_t cp, wchar_t (&units)[2]) {
    if (cp < 0x10000) {
        units[0] = static_cast<wchar_t>(cp);
        return 1;
    }
    cp -= 0x10000;
    units[0] = static_cast<wchar_t>(0xD800 + (cp >> 10));
    units[1] = static_cast<wchar_t>(0xDC00 + (cp & 0x3FF));
    return 2;
}

// LCMapStringEx with the invariant locale maps character by character; a mapping that would change
// the length (none of the simple ones does) leaves the code point as it was.
char32_t mapped(char32_t cp, DWORD flags) {
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return cp;
    wchar_t in[2];
    wchar_t out[2];
    int length = toUtf16(cp, in);
    int written = LCMapStringEx(LOCALE_NAME_INVARIANT, flags, in, length, out, 2, nullptr, nullptr, 0);
    if (written != length) return cp;
    if (length == 1) return out[0];
    return 0x10000 + ((static_cast<char32_t>(out[0]) - 0xD800) << 10) + (static_cast<char32_t>(out[1]) - 0xDC00);
}

}  // namespace

// Unicode's simple mappings that the system's tables leave out (Wine's, at least): the final
// sigma has the capital sigma as its upper case, and the dotted capital I lowers to i.
char32_t simpleUpperCase(char32_t cp) { return cp == 0x03C2 ? 0x03A3 : mapped(cp, LCMAP_UPPERCASE); }
char32_t simpleLowerCase(char32_t cp) { return cp == 0x0130 ? U'i' : mapped(cp, LCMAP_LOWERCASE); }
// Title case differs from upper case for a few digraphs (U+01C4..U+01CC, U+01F1..U+01F3) only.
char32_t simpleTitleCase(char32_t cp) {
    switch (cp) {
        case 0x01C4: case 0x01C5: case 0x01C6: return 0x01C5;
        case 0x01C7: case 0x01C8: case 0x01C9: return 0x01C8;
        case 0x01CA: case 0x01CB: case 0x01CC: return 0x01CB;
        case 0x01F1: case 0x01F2: case 0x01F3: return 0x01F2;
        default: return simpleUpperCase(cp);
    }
}

bool isLetter(char32_t cp) {
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    wchar_t units[2];
    int length = toUtf16(cp, units);
    WORD types[2] = {0, 0};
    if (!GetStringTypeW(CT_CTYPE1, units, length, types)) return false;
    return (types[0] & C1_ALPHA) != 0;
}

}  // namespace tavlora::base
