#include "data/EncodingConversion.h"

#include <windows.h>

#include <array>
#include <cstdint>
#include <string_view>

#include "base/Ascii.h"
#include "base/Utf8.h"

namespace tavlora::data {

namespace {

// Wide encodings are read here; the system converts only the byte-oriented ones.
std::optional<std::string> wideToUtf8(std::string_view bytes, int width, bool bigEndian) {
    if (bytes.size() % static_cast<size_t>(width) != 0) return std::nullopt;
    auto unitAt = [&](size_t at) {
        uint32_t unit = 0;
        for (int k = 0; k < width; ++k) {
            int shift = bigEndian ? 8 * (width - 1 - k) : 8 * k;
            unit |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + static_cast<size_t>(k)])) << shift;
        }
        return unit;
    };
    std::string out;
    out.reserve(bytes.size());
    for (size_t at = 0; at < bytes.size(); at += static_cast<size_t>(width)) {
        uint32_t unit = unitAt(at);
        if (width == 2 && unit >= 0xD800 && unit <= 0xDBFF) {
            at += 2;
            if (at >= bytes.size()) return std::nullopt;
            uint32_t low = unitAt(at);
            if (low < 0xDC00 || low > 0xDFFF) return std::nullopt;
            unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
        } else if ((unit >= 0xD800 && unit <= 0xDFFF) || unit > 0x10FFFF) {
            return std::nullopt;
        }
        base::appendUtf8(out, static_cast<char32_t>(unit));
    }
    return out;
}

struct NamedCodePage {
    std::string_view name;
    UINT codePage;
};

// The encodings XML files name in practice, by their registered names and common aliases.
constexpr std::array kCodePages{
    NamedCodePage{"utf-8", CP_UTF8},          NamedCodePage{"us-ascii", 20127},
    NamedCodePage{"ascii", 20127},            NamedCodePage{"iso-8859-1", 28591},
    NamedCodePage{"latin1", 28591},           NamedCodePage{"iso-8859-2", 28592},
    NamedCodePage{"iso-8859-5", 28595},       NamedCodePage{"iso-8859-7", 28597},
    NamedCodePage{"iso-8859-9", 28599},       NamedCodePage{"iso-8859-15", 28605},
    NamedCodePage{"windows-1250", 1250},      NamedCodePage{"windows-1251", 1251},
    NamedCodePage{"windows-1252", 1252},      NamedCodePage{"windows-1253", 1253},
    NamedCodePage{"windows-1254", 1254},      NamedCodePage{"shift_jis", 932},
    NamedCodePage{"shift-jis", 932},          NamedCodePage{"sjis", 932},
    NamedCodePage{"windows-31j", 932},        NamedCodePage{"euc-jp", 20932},
    NamedCodePage{"gb2312", 936},             NamedCodePage{"gbk", 936},
    NamedCodePage{"gb18030", 54936},          NamedCodePage{"big5", 950},
    NamedCodePage{"euc-kr", 949},             NamedCodePage{"koi8-r", 20866},
};

std::optional<UINT> codePageNamed(std::string_view name) {
    for (const auto& entry : kCodePages)
        if (base::equalsIgnoringAsciiCase(name, entry.name)) return entry.codePage;
    return std::nullopt;
}

std::optional<std::string> viaCodePage(std::string_view bytes, UINT codePage) {
    if (bytes.empty()) return std::string();
    if (bytes.size() > 0x7FFFFFFF) return std::nullopt;
    int inLength = static_cast<int>(bytes.size());
    int wideLength = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), inLength, nullptr, 0);
    if (wideLength <= 0) return std::nullopt;
    std::wstring wide(static_cast<size_t>(wideLength), L'\0');
    MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), inLength, wide.data(), wideLength);
    int outLength = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
    if (outLength <= 0) return std::nullopt;
    std::string out(static_cast<size_t>(outLength), '\0');
    WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide.data(), wideLength, out.data(), outLength, nullptr, nullptr);
    return out;
}

}  // namespace

std::optional<std::string> convertToUtf8(std::string_view bytes, const char* encoding) {
    std::string_view name(encoding);
    if (base::equalsIgnoringAsciiCase(name, "UTF-16LE")) return wideToUtf8(bytes, 2, false);
    if (base::equalsIgnoringAsciiCase(name, "UTF-16BE")) return wideToUtf8(bytes, 2, true);
    if (base::equalsIgnoringAsciiCase(name, "UTF-32LE")) return wideToUtf8(bytes, 4, false);
    if (base::equalsIgnoringAsciiCase(name, "UTF-32BE")) return wideToUtf8(bytes, 4, true);
    auto codePage = codePageNamed(name);
    if (!codePage) return std::nullopt;
    return viaCodePage(bytes, *codePage);
}

}  // namespace tavlora::data
