#include "server/windows/WideText.h"

#include "base/Utf16.h"

// wchar_t is a UTF-16 code unit on Windows: the library's one UTF-16 conversion serves.
namespace tavlora::server::windows {

std::wstring toWide(std::string_view utf8) {
    std::u16string units = base::utf16FromUtf8(utf8);
    return std::wstring(units.begin(), units.end());
}

// A lone surrogate (which a BSTR may hold) becomes U+FFFD, as ill-formed UTF-8 does on the way in.
std::string toUtf8(const wchar_t* utf16, size_t length) {
    return base::utf8FromUtf16(std::u16string_view(reinterpret_cast<const char16_t*>(utf16), length));
}

std::string toUtf8(std::wstring_view utf16) { return toUtf8(utf16.data(), utf16.size()); }

std::string toUtf8(BSTR text) { return text ? toUtf8(text, SysStringLen(text)) : std::string(); }

BSTR toBstr(std::string_view utf8) {
    std::wstring wide = toWide(utf8);
    return SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

}  // namespace tavlora::server::windows
