#include "host/xlsx/ContentTypes.h"

#include "host/xlsx/SavedPartMemo.h"
#include "host/xlsx/XmlText.h"
#include "host/xlsx/ZipInput.h"

namespace tavlora::host::xlsx {

namespace {

std::string_view localName(const char* name) {
    std::string_view n(name);
    size_t colon = n.find(':');
    return colon == std::string_view::npos ? n : n.substr(colon + 1);
}

std::string_view withoutSlash(std::string_view partName) {
    if (!partName.empty() && partName.front() == '/') partName.remove_prefix(1);
    return partName;
}

}  // namespace

std::string extensionOf(std::string_view partName) {
    size_t slash = partName.rfind('/');
    size_t dot = partName.rfind('.');
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) return "";
    return asciiLower(partName.substr(dot + 1));
}

ContentTypes ContentTypes::parse(const pugi::xml_document& document) {
    ContentTypes types;
    for (pugi::xml_node node : document.document_element().children()) {
        if (node.type() != pugi::node_element) continue;
        std::string_view name = localName(node.name());
        if (name == "Default") {
            types.setDefault(node.attribute("Extension").value(), node.attribute("ContentType").value());
        } else if (name == "Override") {
            types.setOverride(node.attribute("PartName").value(), node.attribute("ContentType").value());
        }
    }
    return types;
}

void ContentTypes::Tables::reindex() {
    overrideIndex.clear();
    for (size_t i = 0; i < overrides.size(); ++i) overrideIndex.emplace(asciiLower(overrides[i].first), i);
    defaultIndex.clear();
    for (size_t i = 0; i < defaults.size(); ++i) defaultIndex.emplace(defaults[i].first, i);
}

const std::pair<std::string, std::string>* ContentTypes::findOverride(std::string_view partName) const {
    auto it = tables_->overrideIndex.find(asciiLower(withoutSlash(partName)));
    return it == tables_->overrideIndex.end() ? nullptr : &tables_->overrides[it->second];
}

std::string ContentTypes::typeOf(std::string_view partName) const {
    if (const auto* o = findOverride(partName)) return o->second;
    auto it = tables_->defaultIndex.find(extensionOf(partName));
    return it == tables_->defaultIndex.end() ? std::string() : tables_->defaults[it->second].second;
}

bool ContentTypes::hasOverride(std::string_view partName) const { return findOverride(partName) != nullptr; }

const std::string* ContentTypes::overrideType(std::string_view partName) const {
    const auto* o = findOverride(partName);
    return o ? &o->second : nullptr;
}

void ContentTypes::setOverride(std::string_view partName, std::string_view type) {
    partName = withoutSlash(partName);
    // Setting what is there already leaves a shared table shared.
    if (const auto* o = findOverride(partName); o && o->second == type) return;
    Tables& tables = tables_.own();
    auto [it, inserted] = tables.overrideIndex.emplace(asciiLower(partName), tables.overrides.size());
    if (inserted) tables.overrides.emplace_back(std::string(partName), std::string(type));
    else tables.overrides[it->second].second = type;
}

void ContentTypes::removeOverride(std::string_view partName) {
    std::string key = asciiLower(withoutSlash(partName));
    if (!tables_->overrideIndex.count(key)) return;
    Tables& tables = tables_.own();
    std::erase_if(tables.overrides, [&](const auto& o) { return asciiLower(o.first) == key; });
    tables.reindex();
}

bool ContentTypes::hasDefault(std::string_view extension) const {
    return tables_->defaultIndex.count(asciiLower(extension)) != 0;
}

void ContentTypes::setDefault(std::string_view extension, std::string_view type) {
    std::string ext = asciiLower(extension);
    if (auto it = tables_->defaultIndex.find(ext);
        it != tables_->defaultIndex.end() && tables_->defaults[it->second].second == type)
        return;
    Tables& tables = tables_.own();
    auto [it, inserted] = tables.defaultIndex.emplace(ext, tables.defaults.size());
    if (inserted) tables.defaults.emplace_back(std::move(ext), std::string(type));
    else tables.defaults[it->second].second = type;
}

std::string ContentTypes::toXml() const {
    std::string out =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
        "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">";
    for (const auto& [extension, type] : tables_->defaults) {
        out += "<Default Extension=\"";
        appendEscapedAttribute(out, extension);
        out += "\" ContentType=\"";
        appendEscapedAttribute(out, type);
        out += "\"/>";
    }
    for (const auto& [name, type] : tables_->overrides) {
        out += "<Override PartName=\"/";
        appendEscapedAttribute(out, name);
        out += "\" ContentType=\"";
        appendEscapedAttribute(out, type);
        out += "\"/>";
    }
    out += "</Types>";
    return out;
}

std::string ContentTypes::spelling() const {
    std::string out;
    for (const auto* list : {&tables_->defaults, &tables_->overrides}) {
        out += std::to_string(list->size());
        for (const auto& [key, type] : *list) appendSpelledFields(out, {key, type});
    }
    return out;
}

}  // namespace tavlora::host::xlsx
