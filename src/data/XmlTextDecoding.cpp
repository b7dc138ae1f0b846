#include "data/XmlTextDecoding.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_err.h>

#include <algorithm>
#include <memory>
#include <string_view>

#include "base/Ascii.h"
#include "base/Utf8.h"

namespace tavlora::data {
namespace {

// The encoding named by an ASCII-compatible XML declaration; "" when there is no declaration or
// it names none.
std::string declaredEncoding(std::string_view bytes) {
    if (!bytes.starts_with("<?xml")) return "";
    size_t end = bytes.find("?>");
    if (end == std::string_view::npos) return "";
    std::string_view declaration = bytes.substr(0, end);
    size_t pos = declaration.find("encoding");
    if (pos == std::string_view::npos) return "";
    pos += 8;
    auto skipBlanks = [&] {
        while (pos < declaration.size() && base::isAsciiBlank(declaration[pos])) ++pos;
    };
    skipBlanks();
    if (pos >= declaration.size() || declaration[pos] != '=') return "";
    ++pos;
    skipBlanks();
    if (pos >= declaration.size() || (declaration[pos] != '"' && declaration[pos] != '\'')) return "";
    char quote = declaration[pos++];
    size_t close = declaration.find(quote, pos);
    if (close == std::string_view::npos) return "";
    return std::string(declaration.substr(pos, close - pos));
}

struct ConverterCloser {
    void operator()(UConverter* converter) const { ucnv_close(converter); }
};

// Converts bytes of a named encoding to UTF-8; nothing when ICU does not know the name or a byte
// sequence is not valid in it.
std::optional<std::string> convertToUtf8(std::string_view bytes, const char* encoding) {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UConverter, ConverterCloser> source(ucnv_open(encoding, &status));
    if (U_FAILURE(status)) return std::nullopt;
    ucnv_setToUCallBack(source.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    std::unique_ptr<UConverter, ConverterCloser> target(ucnv_open("UTF-8", &status));
    if (U_FAILURE(status)) return std::nullopt;

    std::string out;
    out.resize(bytes.size() * 3 / 2 + 16);
    for (;;) {
        char* targetStart = out.data();
        const char* sourceStart = bytes.data();
        status = U_ZERO_ERROR;
        ucnv_convertEx(target.get(), source.get(), &targetStart, out.data() + out.size(), &sourceStart,
                       bytes.data() + bytes.size(), nullptr, nullptr, nullptr, nullptr, true, true, &status);
        if (status == U_BUFFER_OVERFLOW_ERROR) {
            out.resize(out.size() * 2);
            ucnv_resetToUnicode(source.get());
            ucnv_resetFromUnicode(target.get());
            continue;
        }
        if (U_FAILURE(status)) return std::nullopt;
        out.resize(static_cast<size_t>(targetStart - out.data()));
        return out;
    }
}

bool isUtf8Name(std::string_view name) {
    return base::equalsIgnoringAsciiCase(name, "utf-8") || base::equalsIgnoringAsciiCase(name, "utf8");
}

}  // namespace

std::optional<std::string> decodeXmlBytes(std::string bytes) {
    std::string_view view(bytes);
    // The four-byte marks first: the UTF-32 little-endian mark begins like the UTF-16 one.
    if (view.starts_with(std::string_view("\x00\x00\xFE\xFF", 4))) return convertToUtf8(view.substr(4), "UTF-32BE");
    if (view.starts_with(std::string_view("\xFF\xFE\x00\x00", 4))) return convertToUtf8(view.substr(4), "UTF-32LE");
    if (view.starts_with("\xFE\xFF")) return convertToUtf8(view.substr(2), "UTF-16BE");
    if (view.starts_with("\xFF\xFE")) return convertToUtf8(view.substr(2), "UTF-16LE");
    if (view.starts_with(std::string_view("\x00<\x00?", 4))) return convertToUtf8(view, "UTF-16BE");
    if (view.starts_with(std::string_view("<\x00?\x00", 4))) return convertToUtf8(view, "UTF-16LE");
    if (view.starts_with("\xEF\xBB\xBF")) {
        bytes.erase(0, 3);
    } else {
        std::string encoding = declaredEncoding(view);
        if (!encoding.empty() && !isUtf8Name(encoding)) return convertToUtf8(view, encoding.c_str());
    }
    if (!base::isValidUtf8(bytes)) return std::nullopt;
    return bytes;
}

}  // namespace tavlora::data
