#include "host/xlsx/XmlPart.h"

#include "base/XmlDepth.h"
#include "com/Error.h"
#include "host/xlsx/XmlText.h"

namespace tavlora::host::xlsx {

namespace {

// The length of a reference to character 0 ("&#0;", "&#x00;") at `at`, 0 when there is none.
size_t nulReferenceLength(std::string_view text, size_t at) {
    if (text.compare(at, 2, "&#") != 0) return 0;
    size_t i = at + 2;
    if (i < text.size() && (text[i] == 'x' || text[i] == 'X')) ++i;
    size_t zeros = i;
    while (i < text.size() && text[i] == '0') ++i;
    return i > zeros && i < text.size() && text[i] == ';' ? i + 1 - at : 0;
}

// XML cannot hold character 0, yet some producers write it as a reference; parsed, it would end
// the text of its node early. Such references are dropped from a UTF-8 part before parsing.
void dropNulReferences(PartBuffer& buffer) {
    std::string_view text = buffer.view();
    bool wide = text.size() >= 2 && (text[0] == '\0' || text[1] == '\0' || static_cast<unsigned char>(text[0]) >= 0xFE);
    if (wide) return;  // UTF-16 or UTF-32: left to the parser
    size_t at = text.find("&#");
    if (at == std::string_view::npos) return;
    char* out = buffer.data() + at;
    for (size_t i = at; i < text.size();) {
        if (size_t skip = nulReferenceLength(text, i)) {
            i += skip;
            continue;
        }
        *out++ = text[i++];
    }
    buffer.setSize(static_cast<size_t>(out - buffer.data()));
}

}  // namespace

void parsePart(pugi::xml_document& document, PartBuffer buffer, std::string_view fileName, std::string_view partName) {
    dropNulReferences(buffer);
    size_t size = buffer.size();
    pugi::xml_parse_result result =
        document.load_buffer_inplace_own(buffer.release(), size, kPartParseOptions, pugi::encoding_auto);
    if (!result) {
        com::throwHostError("'" + std::string(fileName) + "': part '" + std::string(partName) +
                            "' is not well-formed XML (" + result.description() + " at byte " +
                            std::to_string(result.offset) + ")");
    }
    if (!document.document_element())
        com::throwHostError("'" + std::string(fileName) + "': part '" + std::string(partName) + "' is empty");
    if (base::nestsDeeperThan(document))
        com::throwHostError("'" + std::string(fileName) + "': part '" + std::string(partName) + "' nests elements more than " +
                            std::to_string(base::kMaxXmlDepth) + " levels deep");
}

std::string_view localName(const char* qualifiedName) {
    std::string_view n(qualifiedName);
    size_t colon = n.find(':');
    return colon == std::string_view::npos ? n : n.substr(colon + 1);
}

std::string_view prefixOf(const char* qualifiedName) {
    std::string_view n(qualifiedName);
    size_t colon = n.find(':');
    return colon == std::string_view::npos ? std::string_view() : n.substr(0, colon + 1);
}

pugi::xml_node childByLocalName(pugi::xml_node parent, std::string_view name) {
    for (pugi::xml_node child = parent.first_child(); child; child = child.next_sibling())
        if (child.type() == pugi::node_element && localName(child.name()) == name) return child;
    return {};
}

pugi::xml_attribute prefixedAttribute(pugi::xml_node node, std::string_view name) {
    for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute()) {
        std::string_view qualified(a.name());
        size_t colon = qualified.find(':');
        if (colon != std::string_view::npos && qualified.substr(colon + 1) == name && qualified.substr(0, colon) != "xmlns")
            return a;
    }
    return {};
}

bool isTrue(const char* value) {
    std::string_view v(value);
    return v == "1" || v == "true";
}

void appendNodeXml(std::string& out, pugi::xml_node node) {
    StringWriter writer(out);
    node.print(writer, "", pugi::format_raw, pugi::encoding_utf8);
}

void appendStartTag(std::string& out, pugi::xml_node element) {
    out += '<';
    out += element.name();
    for (pugi::xml_attribute a = element.first_attribute(); a; a = a.next_attribute()) {
        out += ' ';
        out += a.name();
        out += "=\"";
        appendEscapedAttribute(out, a.value());
        out += '"';
    }
    out += '>';
}

}  // namespace tavlora::host::xlsx
