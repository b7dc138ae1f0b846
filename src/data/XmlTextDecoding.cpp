#include "data/XmlTextDecoding.h"

#include <algorithm>
#include <memory>
#include <string_view>

#include "base/Ascii.h"
#include "base/Utf8.h"
#include "data/EncodingConversion.h"

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
