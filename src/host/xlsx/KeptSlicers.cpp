#include "host/xlsx/KeptSlicers.h"

#include <algorithm>
#include <string>
#include <unordered_set>

#include <pugixml.hpp>

#include "com/UnicodeText.h"
#include "host/Workbook.h"
#include "host/Worksheet.h"
#include "host/xlsx/KeptPartXml.h"
#include "host/xlsx/KeptSheetXml.h"
#include "host/xlsx/Package.h"
#include "host/xlsx/XmlPart.h"

namespace tavlora::host::xlsx {

namespace {

using Names = std::unordered_set<std::string>;

bool hasElementChild(pugi::xml_node node) {
    for (pugi::xml_node child : node.children())
        if (child.type() == pugi::node_element) return true;
    return false;
}

bool namesLostColumn(pugi::xml_node tableSource, const std::vector<TableLoss>& losses) {
    uint32_t table = tableSource.attribute("tableId").as_uint();
    uint32_t column = tableSource.attribute("column").as_uint();
    for (const TableLoss& loss : losses) {
        if (loss.tableId == 0 || loss.tableId != table) continue;
        if (loss.wholeTable || std::find(loss.columnIds.begin(), loss.columnIds.end(), column) != loss.columnIds.end())
            return true;
    }
    return false;
}

// The schema wants these lists non-empty, and an extension that held only them says nothing.
bool isListOrExtension(pugi::xml_node node) {
    std::string_view name = localName(node.name());
    return name == "slicerList" || name == "slicerCaches" || name == "ext" || name == "extLst";
}

void removeLeavingNoEmptyList(pugi::xml_node node) {
    pugi::xml_node parent = node.parent();
    parent.remove_child(node);
    while (parent && isListOrExtension(parent) && !hasElementChild(parent)) {
        pugi::xml_node up = parent.parent();
        up.remove_child(parent);
        parent = up;
    }
}

// Entries named `entry` of the lists named `list` in the extension list of `root` that point at
// one of the relationships `ids`.
void dropListedRelationships(pugi::xml_node root, std::string_view list, std::string_view entry, const Names& ids) {
    for (pugi::xml_node node : elementsNamed(childByLocalName(root, "extLst"), entry))
        if (localName(node.parent().name()) == list && ids.count(prefixedAttribute(node, "id").value()))
            removeLeavingNoEmptyList(node);
}

void dropRelationshipsWithIds(PackageContents& package, std::string_view source, const Names& ids) {
    dropRelationships(package, source, [&](const Relationship& r) { return ids.count(r.id) != 0; });
}

// Takes the slicer caches over a lost column out of the workbook; their names.
Names removeLostCaches(PackageContents& package, const std::vector<TableLoss>& losses) {
    Names names;
    Names ids;
    forEachRelatedPart(package, package.workbookPart, "slicerCache", [&](PackagePart& part, const std::string& id) {
        pugi::xml_document document;
        if (!parseKeptPart(document, part.unpacked())) return;
        std::vector<pugi::xml_node> sources = elementsNamed(document.document_element(), "tableSlicerCache");
        if (sources.empty() || !namesLostColumn(sources.front(), losses)) return;
        names.insert(document.document_element().attribute("name").value());
        ids.insert(id);
    });
    if (ids.empty()) return names;
    dropRelationshipsWithIds(package, package.workbookPart, ids);
    dropListedRelationships(package.ownWorkbookXml().document_element(), "slicerCaches", "slicerCache", ids);
    return names;
}

bool isAnchor(std::string_view name) {
    return name == "twoCellAnchor" || name == "oneCellAnchor" || name == "absoluteAnchor";
}

// What goes with a slicer drawn in a drawing part: its graphic frame, with the anchor that holds
// it and the markup-compatibility blocks around either (whose fallback is a shape that only says a
// slicer was here). A frame inside a group shape leaves the group.
pugi::xml_node drawingObjectOf(pugi::xml_node slicer) {
    pugi::xml_node object = slicer;
    while (object && localName(object.name()) != "graphicFrame") object = object.parent();
    if (!object) return {};
    for (;;) {
        pugi::xml_node parent = object.parent();
        std::string_view name = localName(parent.name());
        if ((name == "Choice" || name == "Fallback") && parent.parent()) object = parent.parent();
        else if (isAnchor(name)) object = parent;
        else return object;
    }
}

// The first slicer graphic in the drawing that shows one of `slicers`.
pugi::xml_node drawnSlicer(pugi::xml_node root, const Names& slicers) {
    for (pugi::xml_node slicer : elementsNamed(root, "slicer")) {
        std::string_view graphic = slicer.parent().attribute("uri").value();
        bool inSlicerGraphic = graphic.find("slicer") != std::string_view::npos;
        if (inSlicerGraphic && slicers.count(slicer.attribute("name").value())) return slicer;
    }
    return {};
}

void removeSlicerDrawings(PackageContents& package, std::string_view sheetPart, const Names& slicers) {
    forEachRelatedPart(package, sheetPart, "drawing", [&](PackagePart& part, const std::string&) {
        pugi::xml_document document;
        if (!parseKeptPart(document, part.unpacked())) return;
        bool changed = false;
        // One at a time: a removed block may hold other matches, which are then gone too.
        while (pugi::xml_node slicer = drawnSlicer(document.document_element(), slicers)) {
            pugi::xml_node object = drawingObjectOf(slicer);
            if (!object) object = slicer;
            object.parent().remove_child(object);
            changed = true;
        }
        if (changed) part.replaceBytes(serializeKeptPart(document, true));
    });
}

// The sheet's slicers showing one of `caches` go, with the drawing objects that draw them.
void removeSheetSlicers(PackageContents& package, const Worksheet& sheet, const Names& caches) {
    Names slicers;
    Names emptied;
    forEachRelatedPart(package, sheet.partName(), "slicer", [&](PackagePart& part, const std::string& id) {
        pugi::xml_document document;
        if (!parseKeptPart(document, part.unpacked())) return;
        pugi::xml_node root = document.document_element();
        bool changed = false;
        for (pugi::xml_node slicer : elementsNamed(root, "slicer")) {
            if (!caches.count(slicer.attribute("cache").value())) continue;
            slicers.insert(slicer.attribute("name").value());
            slicer.parent().remove_child(slicer);
            changed = true;
        }
        if (elementsNamed(root, "slicer").empty()) emptied.insert(id);
        else if (changed) part.replaceBytes(serializeKeptPart(document, true));
    });
    if (!emptied.empty()) {
        dropRelationshipsWithIds(package, sheet.partName(), emptied);
        dropListedRelationships(ownKeptSheetRoot(sheet), "slicerList", "slicer", emptied);
    }
    if (!slicers.empty()) removeSlicerDrawings(package, sheet.partName(), slicers);
}

// The application names every slicer cache in the workbook, with no formula of its own.
void dropCacheNames(Workbook& book, const Names& caches) {
    std::erase_if(book.definedNames(), [&](const DefinedName& name) {
        if (name.localSheet >= 0 || name.formula != "#N/A") return false;
        return std::any_of(caches.begin(), caches.end(),
                           [&](const std::string& cache) { return com::equalsIgnoreCase(cache, name.name); });
    });
}

}  // namespace

void removeSlicersOfLostColumns(PackageContents& package, Workbook& book, const std::vector<TableLoss>& losses) {
    if (losses.empty()) return;
    Names caches = removeLostCaches(package, losses);
    if (caches.empty()) return;
    for (const auto& sheet : book.worksheets()) removeSheetSlicers(package, *sheet, caches);
    dropCacheNames(book, caches);
}

}  // namespace tavlora::host::xlsx
