#include "host/xlsx/Relationships.h"

#include <unordered_set>

#include "host/xlsx/SavedPartMemo.h"
#include "host/xlsx/XmlText.h"

namespace tavlora::host::xlsx {

namespace {

std::string_view localName(const char* name) {
    std::string_view n(name);
    size_t colon = n.find(':');
    return colon == std::string_view::npos ? n : n.substr(colon + 1);
}

std::string_view folderOf(std::string_view partName) {
    size_t slash = partName.rfind('/');
    return slash == std::string_view::npos ? std::string_view() : partName.substr(0, slash + 1);
}

// No empty, "." or ".." segment: the path is already in the form resolveTarget folds it to.
bool isPlainPath(std::string_view path) {
    if (path.empty() || path.front() == '/' || path.back() == '/') return path.empty();
    size_t start = 0;
    while (start <= path.size()) {
        size_t slash = path.find('/', start);
        size_t end = slash == std::string_view::npos ? path.size() : slash;
        std::string_view segment = path.substr(start, end - start);
        if (segment.empty() || segment == "." || segment == "..") return false;
        start = end + 1;
    }
    return true;
}

}  // namespace

RelationshipList parseRelationships(const pugi::xml_document& document) {
    RelationshipList list;
    for (pugi::xml_node node : document.document_element().children()) {
        if (node.type() != pugi::node_element || localName(node.name()) != "Relationship") continue;
        Relationship r;
        r.id = node.attribute("Id").value();
        r.type = node.attribute("Type").value();
        r.target = node.attribute("Target").value();
        r.external = std::string_view(node.attribute("TargetMode").value()) == "External";
        if (r.id.empty()) continue;
        list.push_back(std::move(r));
    }
    return list;
}

std::string relationshipsXml(const RelationshipList& relationships) {
    std::string out =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
    for (const Relationship& r : relationships) {
        out += "<Relationship Id=\"";
        appendEscapedAttribute(out, r.id);
        out += "\" Type=\"";
        appendEscapedAttribute(out, r.type);
        out += "\" Target=\"";
        appendEscapedAttribute(out, r.target);
        out += r.external ? "\" TargetMode=\"External\"/>" : "\"/>";
    }
    out += "</Relationships>";
    return out;
}

std::string relationshipsSpelling(const RelationshipList& relationships) {
    std::string out = std::to_string(relationships.size());
    for (const Relationship& r : relationships) appendSpelledFields(out, {r.id, r.type, r.target, r.external ? "E" : ""});
    return out;
}

std::string relationshipsPartOf(std::string_view partName) {
    std::string_view folder = folderOf(partName);
    std::string_view file = partName.substr(folder.size());
    std::string out(folder);
    out += "_rels/";
    out += file;
    out += ".rels";
    return out;
}

bool isRelationshipsPart(std::string_view partName, std::string& sourcePart) {
    constexpr std::string_view kSuffix = ".rels";
    if (partName.size() < kSuffix.size() || partName.substr(partName.size() - kSuffix.size()) != kSuffix) return false;
    std::string_view folder = folderOf(partName);
    if (folder.size() < 6 || folder.substr(folder.size() - 6) != "_rels/") return false;
    std::string_view file = partName.substr(folder.size(), partName.size() - folder.size() - kSuffix.size());
    sourcePart.assign(folder.substr(0, folder.size() - 6));
    sourcePart += file;
    return true;
}

std::string resolveTarget(std::string_view sourcePart, std::string_view target) {
    size_t hash = target.find('#');
    if (hash != std::string_view::npos) target = target.substr(0, hash);
    std::string path;
    if (!target.empty() && target.front() == '/') path.assign(target.substr(1));
    else {
        path.assign(folderOf(sourcePart));
        path += target;
    }
    // Most targets name their part plainly ("worksheets/sheet1.xml"): nothing to fold.
    if (isPlainPath(path)) return path;
    // Fold "." and ".." segments.
    std::vector<std::string_view> segments;
    std::string_view rest(path);
    while (!rest.empty()) {
        size_t slash = rest.find('/');
        std::string_view segment = rest.substr(0, slash);
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
        if (segment.empty() || segment == ".") continue;
        if (segment == "..") {
            if (!segments.empty()) segments.pop_back();
            continue;
        }
        segments.push_back(segment);
    }
    std::string out;
    for (size_t i = 0; i < segments.size(); ++i) {
        if (i) out += '/';
        out += segments[i];
    }
    return out;
}

std::string relativeTarget(std::string_view sourcePart, std::string_view targetPart) {
    std::string_view from = folderOf(sourcePart);
    // Longest common folder prefix.
    size_t common = 0;
    for (size_t i = 0; i < from.size() && i < targetPart.size() && from[i] == targetPart[i]; ++i)
        if (from[i] == '/') common = i + 1;
    std::string out;
    for (size_t i = common; i < from.size(); ++i)
        if (from[i] == '/') out += "../";
    out += targetPart.substr(common);
    return out;
}

std::string_view relationshipKind(std::string_view type) {
    size_t slash = type.rfind('/');
    return slash == std::string_view::npos ? type : type.substr(slash + 1);
}

std::string freeRelationshipId(const RelationshipList& relationships) {
    std::unordered_set<std::string_view> used;
    for (const Relationship& r : relationships) used.insert(r.id);
    for (size_t n = relationships.size() + 1;; ++n) {
        std::string id = "rId" + std::to_string(n);
        if (!used.count(id)) return id;
    }
}

}  // namespace tavlora::host::xlsx
