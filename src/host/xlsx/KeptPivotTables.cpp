#include "host/xlsx/KeptPivotTables.h"

#include <string>

#include <pugixml.hpp>

#include "com/UnicodeText.h"
#include "host/Worksheet.h"
#include "host/xlsx/KeptPartXml.h"
#include "host/xlsx/Package.h"
#include "host/xlsx/XmlPart.h"

namespace tavlora::host::xlsx {

namespace {

bool shiftRefAttribute(pugi::xml_node element, const formula::Deletion& deletion) {
    pugi::xml_attribute ref = element.attribute("ref");
    if (!ref) return false;
    std::string moved = formula::shiftReference(ref.value(), deletion);
    if (moved.empty() || moved == ref.value()) return false;
    ref.set_value(moved.c_str());
    return true;
}

// Edits the part's document with `shift` and writes it back when that changed something.
template <class Shift>
void editPart(PackagePart& part, Shift shift) {
    pugi::xml_document document;
    if (!parseKeptPart(document, part.unpacked())) return;
    if (shift(document.document_element())) part.replaceBytes(serializeKeptPart(document, true));
}

// Edits the worksheet source of every pivot cache that reads the cells of the sheet `sheetName`.
template <class Edit>
void editSourcesOnSheet(PackageContents& package, std::string_view sheetName, Edit edit) {
    forEachRelatedPart(package, package.workbookPart, "pivotCacheDefinition", [&](PackagePart& part, const std::string&) {
        editPart(part, [&](pugi::xml_node root) {
            pugi::xml_node source = childByLocalName(childByLocalName(root, "cacheSource"), "worksheetSource");
            // A source in another workbook (r:id) or named by a table or defined name moves with it.
            if (prefixedAttribute(source, "id") || com::upperCase(source.attribute("sheet").value()) != com::upperCase(sheetName))
                return false;
            return edit(source);
        });
    });
}

}  // namespace

void shiftSheetPivotTables(PackageContents& package, const Worksheet& sheet, const formula::Deletion& deletion) {
    forEachRelatedPart(package, sheet.partName(), "pivotTable", [&](PackagePart& part, const std::string&) {
        editPart(part, [&](pugi::xml_node root) { return shiftRefAttribute(childByLocalName(root, "location"), deletion); });
    });
    editSourcesOnSheet(package, sheet.name(), [&](pugi::xml_node source) { return shiftRefAttribute(source, deletion); });
}

void renamePivotSources(PackageContents& package, std::string_view oldName, std::string_view newName) {
    editSourcesOnSheet(package, oldName, [&](pugi::xml_node source) {
        return source.attribute("sheet").set_value(std::string(newName).c_str());
    });
}

}  // namespace tavlora::host::xlsx
