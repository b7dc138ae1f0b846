#pragma once
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include <pugixml.hpp>

// Editing the XML of carried parts (comments, drawings, tables, pivot tables) when the cells they
// point at move: each is parsed, changed and written back only when something moved.
namespace tavlora::host::xlsx {

class PackageContents;
struct PackagePart;
struct Relationship;

// False when the bytes are not a well-formed document with a root element, or nest too deep
// for the walks that edit them.
bool parseKeptPart(pugi::xml_document& document, const std::string& bytes);
// The document as a part, with the XML declaration the application writes when `declaration`.
std::string serializeKeptPart(const pugi::xml_document& document, bool declaration);

// Calls `visit` for every element under `root` (itself included), in document order. Iterative:
// kept parts are checked for depth when read, but a walk need not rely on it. `visit` must not
// remove nodes.
template <class Visit>
void forEachElement(pugi::xml_node root, Visit visit) {
    pugi::xml_node node = root;
    while (node) {
        if (node.type() == pugi::node_element) visit(node);
        if (node.first_child()) {
            node = node.first_child();
            continue;
        }
        while (node && node != root && !node.next_sibling()) node = node.parent();
        if (!node || node == root) break;
        node = node.next_sibling();
    }
}

// Elements with this local name under `root` (itself included), in document order, collected first
// so that the caller may remove them.
std::vector<pugi::xml_node> elementsNamed(pugi::xml_node root, std::string_view name);

// Calls `edit` for each carried part that `sourcePart` refers to by a relationship of `kind`
// ("drawing", "table"), with the relationship's id.
void forEachRelatedPart(PackageContents& package, std::string_view sourcePart, std::string_view kind,
                        const std::function<void(PackagePart&, const std::string& relationshipId)>& edit);
// The same for a reader: the parts stay shared with the package's other copies.
void readEachRelatedPart(const PackageContents& package, std::string_view sourcePart, std::string_view kind,
                         const std::function<void(const PackagePart&, const std::string& relationshipId)>& read);
// Takes the relationships of `sourcePart` for which `drop` answers true out of its list.
void dropRelationships(PackageContents& package, std::string_view sourcePart,
                       const std::function<bool(const Relationship&)>& drop);

}  // namespace tavlora::host::xlsx
