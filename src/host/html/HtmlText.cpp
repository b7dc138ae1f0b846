#include "host/html/HtmlText.h"

#include "base/Utf8.h"

namespace tavlora::host::html {

namespace {

// Bytes that go out as they are: printable ASCII but the markup characters.
bool isPlain(unsigned char c) {
    return c >= 0x20 && c < 0x7F && c != '&' && c != '<' && c != '>' && c != '"' && c != '\'';
}

}  // namespace

void appendHtmlText(std::string& out, std::string_view text, LineBreaks lineBreaks) {
    out.reserve(out.size() + text.size());
    size_t i = 0;
    while (i < text.size()) {
        size_t runStart = i;
        while (i < text.size() && isPlain(static_cast<unsigned char>(text[i]))) ++i;
        out.append(text.substr(runStart, i - runStart));
        if (i >= text.size()) break;

        const char c = text[i];
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        case '\t': out += c; break;
        case '\n':
        case '\r': out += lineBreaks == LineBreaks::Keep ? c : ' '; break;
        default:
            if (static_cast<unsigned char>(c) >= 0x80) {
                i += base::appendValidUtf8At(out, text, i);
                continue;
            }
            out += base::kReplacementUtf8;  // C0 controls and DEL
            break;
        }
        ++i;
    }
}

std::string htmlText(std::string_view text, LineBreaks lineBreaks) {
    std::string out;
    appendHtmlText(out, text, lineBreaks);
    return out;
}

}  // namespace tavlora::host::html
