#pragma once
#include <windows.h>
// after windows.h, which it needs
#include <oleauto.h>

#include <string>
#include <string_view>

// The library's texts are UTF-8; the object runtime's are UTF-16.
namespace tavlora::server::windows {

std::wstring toWide(std::string_view utf8);
std::string toUtf8(const wchar_t* utf16, size_t length);
std::string toUtf8(std::wstring_view utf16);
// A BSTR's text (a null BSTR is the empty text).
std::string toUtf8(BSTR text);
// A new BSTR the receiver frees; nullptr only when memory runs out.
BSTR toBstr(std::string_view utf8);

}  // namespace tavlora::server::windows
