#include "host/xlsx/KeptPartXml.h"

#include "base/XmlDepth.h"
#include "host/xlsx/Package.h"
#include "host/xlsx/XmlPart.h"

namespace tavlora::host::xlsx {

bool parseKeptPart(pugi::xml_document& document, const std::string& bytes) {
    return document.load_buffer(bytes.data(), bytes.size(), kPartParseOptions) && document.document_element() &&
           !base::nestsDeeperThan(document);
}

std::string serializeKeptPart(const pugi::xml_document& document, bool declaration) {
    std::string out = declaration ? "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n" : "";
    StringWriter writer(out);
    document.save(writer, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
    return out;
}

std::vector<pugi::xml_node> elementsNamed(pugi::xml_node root, std::string_view name) {
    std::vector<pugi::xml_node> found;
    forEachElement(root, [&](pugi::xml_node node) {
        if (localName(node.name()) == name) found.push_back(node);
    });
    return found;
}

namespace {

// `Package` is const for a reader, whose findPart leaves the parts shared.
template <class Package, class Visit>
void visitRelatedParts(Package& package, std::string_view sourcePart, std::string_view kind, const Visit& visit) {
    if (sourcePart.empty()) return;
    const RelationshipList* relationships = package.relationshipsOf(sourcePart);
    if (!relationships) return;
    // Copied: an edit may drop relationships of the source part.
    RelationshipList list = *relationships;
    for (const Relationship& r : list) {
        if (r.external || relationshipKind(r.type) != kind) continue;
        auto* part = package.findPart(resolveTarget(sourcePart, r.target));
        if (part && !part->regenerated) visit(*part, r.id);
    }
}

}  // namespace

void forEachRelatedPart(PackageContents& package, std::string_view sourcePart, std::string_view kind,
                        const std::function<void(PackagePart&, const std::string& relationshipId)>& edit) {
    visitRelatedParts(package, sourcePart, kind, edit);
}

void readEachRelatedPart(const PackageContents& package, std::string_view sourcePart, std::string_view kind,
                         const std::function<void(const PackagePart&, const std::string& relationshipId)>& read) {
    visitRelatedParts(package, sourcePart, kind, read);
}

void dropRelationships(PackageContents& package, std::string_view sourcePart,
                       const std::function<bool(const Relationship&)>& drop) {
    const RelationshipList* list = package.relationshipsOf(sourcePart);
    if (!list) return;
    RelationshipList kept;
    for (const Relationship& r : *list)
        if (!drop(r)) kept.push_back(r);
    package.setRelationships(sourcePart, std::move(kept));
}

}  // namespace tavlora::host::xlsx
