#include "host/xlsx/SharedStrings.h"

#include <vector>

#include "host/xlsx/XmlPart.h"
#include "host/xlsx/XmlText.h"

namespace tavlora::host::xlsx {

namespace {

void appendTextContent(std::string& out, pugi::xml_node t) {
    for (pugi::xml_node child = t.first_child(); child; child = child.next_sibling())
        if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata) out += child.value();
}

// An item is plain when it is one <t> and nothing else.
bool isPlain(pugi::xml_node item) {
    int elements = 0;
    for (pugi::xml_node child = item.first_child(); child; child = child.next_sibling()) {
        if (child.type() != pugi::node_element) continue;
        if (++elements > 1 || localName(child.name()) != "t") return false;
    }
    return true;
}

class SharedStringsProducer : public PartProducer {
public:
    SharedStringsProducer(const StringPool& pool, const SharedStringTable& table, std::string mainNamespace)
        : pool_(pool), table_(table), namespace_(std::move(mainNamespace)) {}

    bool next(std::string& out) override {
        if (!started_) {
            started_ = true;
            out += "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<sst xmlns=\"";
            out += namespace_;
            out += "\" count=\"";
            out += std::to_string(table_.references);
            out += "\" uniqueCount=\"";
            out += std::to_string(table_.written.size());
            out += "\">";
        }
        constexpr size_t kChunk = 1 << 16;  // per piece, whatever `out` already holds
        const size_t start = out.size();
        while (position_ < table_.written.size() && out.size() - start < kChunk)
            appendSharedStringItem(out, pool_, table_.written[position_++]);
        if (position_ < table_.written.size()) return true;
        out += "</sst>";
        return false;
    }

private:
    const StringPool& pool_;
    const SharedStringTable& table_;
    std::string namespace_;
    size_t position_ = 0;
    bool started_ = false;
};

}  // namespace

std::string plainTextOf(pugi::xml_node item) {
    std::string text;
    for (pugi::xml_node child = item.first_child(); child; child = child.next_sibling()) {
        if (child.type() != pugi::node_element) continue;
        std::string_view name = localName(child.name());
        if (name == "t") {
            appendTextContent(text, child);
        } else if (name == "r") {
            for (pugi::xml_node t = child.first_child(); t; t = t.next_sibling())
                if (t.type() == pugi::node_element && localName(t.name()) == "t") appendTextContent(text, t);
        }
    }
    decodeEscapedCharacters(text);
    return text;
}

std::string innerXmlWithoutPrefix(pugi::xml_node item) {
    std::string_view prefix = prefixOf(item.name());
    if (!prefix.empty()) {
        // Walk the subtree without recursion and drop the prefix of its elements.
        std::string prefixText(prefix);
        pugi::xml_node node = item.first_child();
        while (node && node != item) {
            if (node.type() == pugi::node_element && std::string_view(node.name()).starts_with(prefixText))
                node.set_name(node.name() + prefixText.size());
            if (node.first_child()) {
                node = node.first_child();
                continue;
            }
            while (node && node != item && !node.next_sibling()) node = node.parent();
            if (node && node != item) node = node.next_sibling();
        }
    }
    std::string xml;
    for (pugi::xml_node child = item.first_child(); child; child = child.next_sibling()) appendNodeXml(xml, child);
    return xml;
}

std::vector<uint32_t> readSharedStrings(const pugi::xml_document& document, StringPool& pool) {
    std::vector<uint32_t> ids;
    pugi::xml_node sst = document.document_element();
    for (pugi::xml_node item = sst.first_child(); item; item = item.next_sibling()) {
        if (item.type() != pugi::node_element || localName(item.name()) != "si") continue;
        std::string text = plainTextOf(item);
        if (isPlain(item)) ids.push_back(pool.intern(text));
        else ids.push_back(pool.addRich(std::move(text), innerXmlWithoutPrefix(item)));
    }
    return ids;
}

void appendSharedStringItem(std::string& out, const StringPool& pool, uint32_t id) {
    const std::string& rich = pool.richXml(id);
    if (!rich.empty()) {
        out += "<si>";
        out += rich;
        out += "</si>";
        return;
    }
    const std::string& text = pool.text(id);
    out += needsSpacePreserve(text) ? "<si><t xml:space=\"preserve\">" : "<si><t>";
    appendEscapedText(out, text);
    out += "</t></si>";
}

std::unique_ptr<PartProducer> sharedStringsProducer(const StringPool& pool, const SharedStringTable& table,
                                                    std::string mainNamespace) {
    return std::make_unique<SharedStringsProducer>(pool, table, std::move(mainNamespace));
}

}  // namespace tavlora::host::xlsx
