#include "host/xlsx/KeptFormulas.h"

#include <string_view>

#include "host/Workbook.h"
#include "host/Worksheet.h"
#include "host/chart/ChartModel.h"
#include "host/chart/ChartReferenceEditing.h"
#include "host/xlsx/KeptPartXml.h"
#include "host/xlsx/KeptSheetXml.h"
#include "host/xlsx/KeptTables.h"
#include "host/xlsx/Package.h"
#include "host/xlsx/XmlPart.h"

namespace tavlora::host::xlsx {

namespace {

// <formula> of a rule, <formula1>/<formula2> of a validation, <xm:f> of the extension lists'
// rules, validations and sparklines. An x14 validation's <x14:formula1> holds an <xm:f> rather
// than text, and is reached through it.
bool isFormulaElement(std::string_view name) {
    return name == "formula" || name == "formula1" || name == "formula2" || name == "f";
}

bool editText(pugi::xml_node element, const FormulaTextEdit& edit) {
    pugi::xml_text text = element.text();
    std::string before = text.get();
    if (before.empty()) return false;
    std::string after = edit(before);
    if (after == before) return false;
    text.set(after.c_str());
    return true;
}

bool editAttribute(pugi::xml_attribute value, const FormulaTextEdit& edit) {
    if (!value || !*value.value()) return false;
    std::string before = value.value();
    std::string after = edit(before);
    if (after == before) return false;
    value.set_value(after.c_str());
    return true;
}

// Edits each carried part of `kind` that the sheet part refers to with `edit` (true when it
// changed something), and writes it back then. A part without `hint` in it holds no link: most
// drawings and legacy shapes, left unparsed.
template <class Edit>
void editLinkedParts(PackageContents& package, std::string_view sheetPart, std::string_view kind, std::string_view hint,
                     bool declaration, Edit edit) {
    forEachRelatedPart(package, sheetPart, kind, [&](PackagePart& part, const std::string&) {
        std::string bytes = part.unpacked();
        if (bytes.find(hint) == std::string::npos) return;
        pugi::xml_document document;
        if (!parseKeptPart(document, bytes)) return;
        if (edit(document.document_element())) part.replaceBytes(serializeKeptPart(document, declaration));
    });
}

// The links of the sheet's drawing objects and form controls to its cells: a shape's text linked
// to a cell (textlink), a control's cell and input range in its properties part (fmlaLink,
// fmlaRange, fmlaTxbx) and in its legacy shape (<x:FmlaLink>, <x:FmlaRange>, <x:FmlaTxbx>).
void editControlLinks(PackageContents& package, const Worksheet& sheet, const FormulaTextEdit& edit) {
    editLinkedParts(package, sheet.partName(), "drawing", "textlink", true, [&](pugi::xml_node root) {
        bool changed = false;
        forEachElement(root, [&](pugi::xml_node node) { changed |= editAttribute(node.attribute("textlink"), edit); });
        return changed;
    });
    editLinkedParts(package, sheet.partName(), "ctrlProp", "fmla", true, [&](pugi::xml_node root) {
        bool changed = false;
        for (const char* name : {"fmlaLink", "fmlaRange", "fmlaTxbx"}) changed |= editAttribute(root.attribute(name), edit);
        return changed;
    });
    editLinkedParts(package, sheet.partName(), "vmlDrawing", "Fmla", false, [&](pugi::xml_node root) {
        bool changed = false;
        forEachElement(root, [&](pugi::xml_node node) {
            std::string_view name = localName(node.name());
            if (name == "FmlaLink" || name == "FmlaRange" || name == "FmlaTxbx") changed |= editText(node, edit);
        });
        return changed;
    });
}

// A series source kept as read (<c:multiLvlStrRef>...</c:multiLvlStrRef>) with the formula of
// its <c:f> edited; unchanged when there is nothing to edit.
std::string editChartSourceXml(const std::string& xml, const FormulaTextEdit& edit) {
    if (xml.find("f>") == std::string::npos) return xml;
    pugi::xml_document fragment;
    if (!fragment.load_buffer(xml.data(), xml.size(), pugi::parse_default | pugi::parse_fragment)) return xml;
    bool changed = false;
    for (pugi::xml_node node : fragment.children())
        for (pugi::xml_node f : elementsNamed(node, "f")) changed |= editText(f, edit);
    if (!changed) return xml;
    std::string out;
    for (pugi::xml_node node : fragment.children()) appendNodeXml(out, node);
    return out;
}

}  // namespace

bool editSheetXmlFormulas(pugi::xml_node root, const FormulaTextEdit& edit) {
    bool changed = false;
    forEachElement(root, [&](pugi::xml_node node) {
        std::string_view name = localName(node.name());
        if (isFormulaElement(name)) changed |= editText(node, edit);
        // A threshold of a color scale, data bar or icon set may be a formula (type "formula",
        // and "num" or "percent" with a reference); a plain number comes back unchanged.
        else if (name == "cfvo") changed |= editAttribute(node.attribute("val"), edit);
    });
    return changed;
}

void editKeptFormulas(PackageContents& package, const Workbook& book, const KeptFormulaEdit& edit,
                      const Worksheet* movedAlready) {
    for (const auto& sheet : book.worksheets()) {
        const std::string& host = sheet->name();
        FormulaTextEdit inSheet = [&](const std::string& formula) { return edit(formula, host); };
        if (sheet.get() != movedAlready)
            if (pugi::xml_document* kept = findOwnKeptSheetXml(*sheet)) editSheetXmlFormulas(*kept, inSheet);
        editKeptCellFormulaTexts(*sheet, inSheet);
        editControlLinks(package, *sheet, inSheet);
    }
    editTableFormulas(package, book, movedAlready, [&](const std::string& formula, const std::string&, const Worksheet& host) {
        return edit(formula, host.name());
    });
    const FormulaTextEdit inChart = [&](const std::string& formula) { return edit(formula, std::string_view()); };
    for (const auto& chart : chartsOf(book)) chart->editKeptSources([&](const std::string& xml) { return editChartSourceXml(xml, inChart); });
}

}  // namespace tavlora::host::xlsx
