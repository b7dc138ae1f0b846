#include "server/windows/WideText.h"

#include "base/Utf8.h"

namespace tavlora::server::windows {

std::wstring toWide(std::string_view utf8) {
    std::wstring out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        char32_t cp = base::nextCodePoint(utf8, i);
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<wchar_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<wchar_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<wchar_t>(cp));
        }
    }
    return out;
}

// A lone surrogate (which a BSTR may hold) becomes U+FFFD, as ill-formed UTF-8 does on the way in.
std::string toUtf8(const wchar_t* utf16, size_t length) {
    std::string out;
    out.reserve(length);
    for (size_t i = 0; i < length; ++i) {
        char32_t unit = static_cast<char16_t>(utf16[i]);
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < length) {
            char32_t low = static_cast<char16_t>(utf16[i + 1]);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                base::appendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                ++i;
                continue;
            }
        }
        base::appendUtf8(out, unit >= 0xD800 && unit <= 0xDFFF ? U'\uFFFD' : unit);
    }
    return out;
}

std::string toUtf8(std::wstring_view utf16) { return toUtf8(utf16.data(), utf16.size()); }

std::string toUtf8(BSTR text) { return text ? toUtf8(text, SysStringLen(text)) : std::string(); }

BSTR toBstr(std::string_view utf8) {
    std::wstring wide = toWide(utf8);
    return SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

}  // namespace tavlora::server::windows
