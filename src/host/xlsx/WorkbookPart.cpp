#include "host/xlsx/WorkbookPart.h"

#include <charconv>
#include <vector>

#include "host/xlsx/ElementOrder.h"
#include "host/xlsx/SavedPartMemo.h"
#include "host/xlsx/XmlPart.h"
#include "host/xlsx/XmlText.h"

namespace tavlora::host::xlsx {

namespace {

int32_t parseIndex(const char* text, int32_t fallback) {
    std::string_view v(text);
    int32_t value = 0;
    auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), value);
    return ec == std::errc() && end == v.data() + v.size() && !v.empty() ? value : fallback;
}

SheetVisibility visibilityOf(std::string_view state) {
    if (state == "hidden") return SheetVisibility::Hidden;
    if (state == "veryHidden") return SheetVisibility::VeryHidden;
    return SheetVisibility::Visible;
}

void readSheets(pugi::xml_node sheets, WorkbookPartInfo& info) {
    for (pugi::xml_node sheet = sheets.first_child(); sheet; sheet = sheet.next_sibling()) {
        if (sheet.type() != pugi::node_element || localName(sheet.name()) != "sheet") continue;
        WorkbookSheetEntry entry;
        entry.name = sheet.attribute("name").value();
        entry.sheetId = sheet.attribute("sheetId").value();
        entry.relationshipId = prefixedAttribute(sheet, "id").value();
        entry.visibility = visibilityOf(sheet.attribute("state").value());
        info.sheets.push_back(std::move(entry));
    }
}

void readDefinedNames(pugi::xml_node names, WorkbookPartInfo& info) {
    for (pugi::xml_node node = names.first_child(); node; node = node.next_sibling()) {
        if (node.type() != pugi::node_element || localName(node.name()) != "definedName") continue;
        DefinedName name;
        bool sheetMissing = false;
        for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute()) {
            std::string_view attribute(a.name());
            if (attribute == "name") {
                name.name = a.value();
            } else if (attribute == "localSheetId") {
                // A sheet-level name whose sheet cannot be found is dropped, never widened to the workbook.
                name.localSheet = parseIndex(a.value(), -1);
                sheetMissing = name.localSheet < 0;
            } else {
                name.extraAttributes += ' ';
                name.extraAttributes += a.name();
                name.extraAttributes += "=\"";
                appendEscapedAttribute(name.extraAttributes, a.value());
                name.extraAttributes += '"';
            }
        }
        name.formula = node.child_value();
        if (!name.name.empty() && !sheetMissing) info.definedNames.push_back(std::move(name));
    }
}

// The child of `root` with this local name, created in its schema place when absent.
pugi::xml_node childInOrder(pugi::xml_node root, std::string_view name, std::string_view prefix) {
    if (pugi::xml_node existing = childByLocalName(root, name)) return existing;
    auto order = workbookOrder();
    int rank = rankIn(order, name);
    std::string qualified(prefix);
    qualified += name;
    for (pugi::xml_node child = root.first_child(); child; child = child.next_sibling()) {
        if (child.type() != pugi::node_element) continue;
        int childRank = rankIn(order, localName(child.name()));
        if (childRank > rank) return root.insert_child_before(qualified.c_str(), child);
    }
    return root.append_child(qualified.c_str());
}

// The prefix bound to the relationships namespace on the root, declared when there is none.
std::string relationshipsPrefix(pugi::xml_node root, const std::string& relationshipsNamespace) {
    for (pugi::xml_attribute a = root.first_attribute(); a; a = a.next_attribute()) {
        std::string_view name(a.name());
        if (name.starts_with("xmlns:") && std::string_view(a.value()).ends_with("/relationships"))
            return std::string(name.substr(6)) + ":";
    }
    std::string prefix = "r";
    while (root.attribute(("xmlns:" + prefix).c_str())) prefix += "r";
    root.append_attribute(("xmlns:" + prefix).c_str()).set_value(relationshipsNamespace.c_str());
    return prefix + ":";
}

// Every child of `root` with this local name after the first one; a list given twice would
// otherwise be written back stale beside the one the save rewrites.
void removeRepeatedChildren(pugi::xml_node root, std::string_view name) {
    std::vector<pugi::xml_node> repeated;
    for (pugi::xml_node child = root.first_child(); child; child = child.next_sibling())
        if (child.type() == pugi::node_element && localName(child.name()) == name) repeated.push_back(child);
    for (size_t i = 1; i < repeated.size(); ++i) root.remove_child(repeated[i]);
}

void writeSheets(pugi::xml_node root, std::string_view prefix, const WorkbookPartOut& out) {
    removeRepeatedChildren(root, "sheets");
    pugi::xml_node sheets = childInOrder(root, "sheets", prefix);
    while (sheets.first_child()) sheets.remove_child(sheets.first_child());
    std::string idAttribute = relationshipsPrefix(root, out.relationshipsNamespace) + "id";
    std::string sheetName = std::string(prefix) + "sheet";
    for (const WorkbookSheetOut& sheet : out.sheets) {
        pugi::xml_node node = sheets.append_child(sheetName.c_str());
        node.append_attribute("name").set_value(sheet.name.c_str());
        node.append_attribute("sheetId").set_value(sheet.sheetId.c_str());
        if (sheet.visibility == SheetVisibility::Hidden) node.append_attribute("state").set_value("hidden");
        if (sheet.visibility == SheetVisibility::VeryHidden) node.append_attribute("state").set_value("veryHidden");
        node.append_attribute(idAttribute.c_str()).set_value(sheet.relationshipId.c_str());
    }
}

void writeDefinedNames(pugi::xml_node root, std::string_view prefix, const WorkbookPartOut& out) {
    removeRepeatedChildren(root, "definedNames");
    if (pugi::xml_node old = childByLocalName(root, "definedNames")) root.remove_child(old);
    if (!out.definedNames) return;
    std::string elementName = std::string(prefix) + "definedName";
    pugi::xml_node names;
    for (const DefinedName& name : *out.definedNames) {
        if (name.name.empty()) continue;
        if (name.localSheet >= static_cast<int32_t>(out.sheets.size())) continue;  // its sheet is gone
        if (!names) names = childInOrder(root, "definedNames", prefix);
        pugi::xml_node node = names.append_child(elementName.c_str());
        node.append_attribute("name").set_value(name.name.c_str());
        if (!name.extraAttributes.empty()) {
            pugi::xml_document attributes;
            std::string holder = "<a" + name.extraAttributes + "/>";
            if (attributes.load_buffer(holder.data(), holder.size()))
                for (pugi::xml_attribute a = attributes.first_child().first_attribute(); a; a = a.next_attribute())
                    if (std::string_view(a.name()) != "name" && std::string_view(a.name()) != "localSheetId")
                        node.append_attribute(a.name()).set_value(a.value());
        }
        if (name.localSheet >= 0) node.append_attribute("localSheetId").set_value(name.localSheet);
        node.append_child(pugi::node_pcdata).set_value(name.formula.c_str());
    }
}

void setAttribute(pugi::xml_node node, const char* name, const char* value) {
    pugi::xml_attribute a = node.attribute(name);
    if (!a) a = node.append_attribute(name);
    a.set_value(value);
}

}  // namespace

WorkbookPartInfo readWorkbookPart(const pugi::xml_document& document) {
    WorkbookPartInfo info;
    pugi::xml_node root = document.document_element();
    bool sawSheets = false;
    for (pugi::xml_node child = root.first_child(); child; child = child.next_sibling()) {
        if (child.type() != pugi::node_element) continue;
        std::string_view name = localName(child.name());
        if (name == "sheets") {
            // A second list is not allowed; it is ignored as the save drops it.
            if (!sawSheets) readSheets(child, info);
            sawSheets = true;
        } else if (name == "definedNames") {
            readDefinedNames(child, info);
        } else if (name == "workbookPr") {
            info.date1904 = isTrue(child.attribute("date1904").value());
        } else if (name == "bookViews") {
            pugi::xml_node view = childByLocalName(child, "workbookView");
            info.activeTab = parseIndex(view.attribute("activeTab").value(), 0);
        }
    }
    return info;
}

std::string workbookPartXml(const pugi::xml_document& kept, const WorkbookPartOut& out) {
    pugi::xml_document document;
    if (kept.document_element()) {
        document.reset(kept);
    } else {
        pugi::xml_node root = document.append_child("workbook");
        root.append_attribute("xmlns").set_value(out.mainNamespace.c_str());
        root.append_attribute("xmlns:r").set_value(out.relationshipsNamespace.c_str());
    }
    pugi::xml_node root = document.document_element();
    std::string prefix(prefixOf(root.name()));

    pugi::xml_node properties = childByLocalName(root, "workbookPr");
    if (out.date1904) setAttribute(childInOrder(root, "workbookPr", prefix), "date1904", "1");
    else if (properties) properties.remove_attribute("date1904");

    pugi::xml_node views = childInOrder(root, "bookViews", prefix);
    pugi::xml_node view = childByLocalName(views, "workbookView");
    if (!view) view = views.append_child((prefix + "workbookView").c_str());
    if (out.activeTab > 0) setAttribute(view, "activeTab", std::to_string(out.activeTab).c_str());
    else view.remove_attribute("activeTab");
    pugi::xml_attribute firstSheet = view.attribute("firstSheet");
    if (firstSheet && firstSheet.as_int() >= static_cast<int>(out.sheets.size())) view.remove_attribute(firstSheet);

    writeSheets(root, prefix, out);
    writeDefinedNames(root, prefix, out);
    setAttribute(childInOrder(root, "calcPr", prefix), "fullCalcOnLoad", "1");

    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
    StringWriter writer(xml);
    document.save(writer, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
    return xml;
}

std::string workbookPartSpelling(const WorkbookPartOut& out) {
    std::string spelling = std::to_string(out.sheets.size());
    for (const WorkbookSheetOut& sheet : out.sheets)
        appendSpelledFields(spelling, {sheet.name, sheet.sheetId, sheet.relationshipId,
                                       std::to_string(static_cast<int>(sheet.visibility))});
    const size_t names = out.definedNames ? out.definedNames->size() : 0;
    appendSpelledFields(spelling, {std::to_string(names)});
    for (size_t i = 0; i < names; ++i) {
        const DefinedName& name = (*out.definedNames)[i];
        appendSpelledFields(spelling, {name.name, name.formula, std::to_string(name.localSheet), name.extraAttributes});
    }
    appendSpelledFields(spelling, {out.date1904 ? "1" : "0", std::to_string(out.activeTab), out.mainNamespace,
                                   out.relationshipsNamespace});
    return spelling;
}

}  // namespace tavlora::host::xlsx
