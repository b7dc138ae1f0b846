#include "data/XmlDocument.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <unordered_set>

#include "base/Utf8.h"
#include "data/DataErrors.h"
#include "data/XmlTextDecoding.h"

namespace tavlora::data {
namespace {

// pugixml parses in place: the tree points into the buffer, so both live and die together.
struct ParsedXml {
    std::string buffer;
    pugi::xml_document document;
};

// Comments and processing instructions are kept as nodes; the DOCTYPE is read only to be checked
// and dropped. Parsing as a fragment keeps text outside the root element, which pugixml would
// otherwise drop silently, so that checkAndTrim can refuse it.
constexpr unsigned kParseOptions =
    pugi::parse_default | pugi::parse_comments | pugi::parse_pi | pugi::parse_doctype | pugi::parse_fragment;

bool readFile(const std::string& path, std::string& bytes) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return false;
    auto size = std::filesystem::file_size(path, ec);
    if (ec) return false;
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes.resize(static_cast<size_t>(size));
    in.read(bytes.data(), static_cast<std::streamsize>(size));
    return static_cast<uintmax_t>(in.gcount()) == size;
}

bool hasRepeatedAttribute(pugi::xml_node element) {
    pugi::xml_attribute first = element.first_attribute();
    if (!first || !first.next_attribute()) return false;
    std::unordered_set<std::string_view> seen;
    for (pugi::xml_attribute a = first; a; a = a.next_attribute())
        if (!seen.insert(a.name()).second) return true;
    return false;
}

// What pugixml lets through but a conforming parser refuses: no root element or more than one,
// text beside the root, an attribute given twice. A DOCTYPE is removed after the check that it
// declares no entities. Answers why the document is refused, or nullptr.
const char* checkAndTrim(pugi::xml_document& document) {
    int elements = 0;
    pugi::xml_node doctype;
    for (pugi::xml_node child : document.children()) {
        switch (child.type()) {
            case pugi::node_element: ++elements; break;
            case pugi::node_pcdata:
            case pugi::node_cdata: return "it has text outside its root element";
            case pugi::node_doctype:
                if (std::strstr(child.value(), "<!ENTITY")) return "it declares entities, which are not read";
                doctype = child;
                break;
            default: break;
        }
    }
    if (elements != 1) return elements == 0 ? "it has no root element" : "it has more than one root element";
    if (doctype) document.remove_child(doctype);

    pugi::xml_node root = document.document_element();
    for (pugi::xml_node node = root; node;) {
        if (node.type() == pugi::node_element && hasRepeatedAttribute(node))
            return "an element has the same attribute twice";
        if (node.first_child()) {
            node = node.first_child();
            continue;
        }
        while (node != root && !node.next_sibling()) node = node.parent();
        if (node == root) break;
        node = node.next_sibling();
    }
    return nullptr;
}

}  // namespace

bool XmlDocument::load(const std::string& path) {
    tree_.reset();
    std::string bytes;
    if (!readFile(path, bytes)) return refuseLoad("the file '" + path + "' does not exist or cannot be read");
    std::optional<std::string> utf8 = decodeXmlBytes(std::move(bytes));
    if (!utf8) return refuseLoad("'" + path + "' is not text in the encoding it declares");
    if (parse(std::move(*utf8))) return true;
    loadError_ = "'" + path + "' is not well-formed XML: " + loadError_;
    return false;
}

bool XmlDocument::loadXml(std::string_view text) {
    tree_.reset();
    if (!base::isValidUtf8(text)) return refuseLoad("the text is not valid UTF-8");
    std::string utf8(text);
    if (utf8.starts_with("\xEF\xBB\xBF")) utf8.erase(0, 3);
    return parse(std::move(utf8));
}

bool XmlDocument::parse(std::string utf8) {
    auto parsed = std::make_shared<ParsedXml>();
    parsed->buffer = std::move(utf8);
    pugi::xml_parse_result result = parsed->document.load_buffer_inplace(
        parsed->buffer.data(), parsed->buffer.size(), kParseOptions, pugi::encoding_utf8);
    if (!result) {
        return refuseLoad(std::string(result.description()) + " at byte " + std::to_string(result.offset));
    }
    if (const char* refusal = checkAndTrim(parsed->document)) return refuseLoad(refusal);
    tree_ = XmlTree(parsed, &parsed->document);
    loadError_.clear();
    return true;
}

bool XmlDocument::refuseLoad(std::string reason) {
    loadError_ = std::move(reason);
    return false;
}

XmlNode XmlDocument::documentElement() const {
    if (!tree_) return {};
    return XmlNode(tree_, pugi::xpath_node(tree_->document_element()));
}

XmlNode XmlDocument::documentNode() const {
    if (!tree_) return {};
    return XmlNode(tree_, pugi::xpath_node(*tree_));
}

XmlNodeListPtr XmlDocument::selectNodes(std::string_view query) const { return documentNode().selectNodes(query); }

}  // namespace tavlora::data
