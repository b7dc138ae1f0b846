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

void ContentTypes::reindex() {
    overrideIndex_.clear();
    for (size_t i = 0; i < overrides_.size(); ++i) overrideIndex_.emplace(asciiLower(overrides_[i].first), i);
    defaultIndex_.clear();
    for (size_t i = 0; i < defaults_.size(); ++i) defaultIndex_.emplace(defaults_[i].first, i);
}

const std::pair<std::string, std::string>* ContentTypes::findOverride(std::string_view partName) const {
    auto it = overrideIndex_.find(asciiLower(withoutSlash(partName)));
    return it == overrideIndex_.end() ? nullptr : &overrides_[it->second];
}

std::string ContentTypes::typeOf(std::string_view partName) const {
    if (const auto* o = findOverride(partName)) return o->second;
    auto it = defaultIndex_.find(extensionOf(partName));
    return it == defaultIndex_.end() ? std::string() : defaults_[it->second].second;
}

bool ContentTypes::hasOverride(std::string_view partName) const { return findOverride(partName) != nullptr; }

void ContentTypes::setOverride(std::string_view partName, std::string_view type) {
    partName = withoutSlash(partName);
    auto [it, inserted] = overrideIndex_.emplace(asciiLower(partName), overrides_.size());
    if (inserted) overrides_.emplace_back(std::string(partName), std::string(type));
    else overrides_[it->second].second = type;
}

void ContentTypes::removeOverride(std::string_view partName) {
    std::string key = asciiLower(withoutSlash(partName));
    if (!overrideIndex_.count(key)) return;
    std::erase_if(overrides_, [&](const auto& o) { return asciiLower(o.first) == key; });
    reindex();
}

bool ContentTypes::hasDefault(std::string_view extension) const {
    return defaultIndex_.count(asciiLower(extension)) != 0;
}

void ContentTypes::setDefault(std::string_view extension, std::string_view type) {
    std::string ext = asciiLower(extension);
    auto [it, inserted] = defaultIndex_.emplace(ext, defaults_.size());
    if (inserted) defaults_.emplace_back(std::move(ext), std::string(type));
    else defaults_[it->second].second = type;
}

std::string ContentTypes::toXml() const {
    std::string out =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
        "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">";
    for (const auto& [extension, type] : defaults_) {
        out += "<Default Extension=\"";
        appendEscapedAttribute(out, extension);
        out += "\" ContentType=\"";
        appendEscapedAttribute(out, type);
        out += "\"/>";
    }
    for (const auto& [name, type] : overrides_) {
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
    for (const auto* list : {&defaults_, &overrides_}) {
        out += std::to_string(list->size());
        for (const auto& [key, type] : *list) appendSpelledFields(out, {key, type});
    }
    return out;
}

}  // namespace tavlora::host::xlsx
