#include "host/xlsx/KeptXmlShifting.h"

#include <string>
#include <vector>

#include "host/xlsx/KeptFormulas.h"

namespace tavlora::host {

namespace {

std::string_view localName(pugi::xml_node node) {
    std::string_view name = node.name();
    size_t colon = name.find(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

// The cell where a removed reference lands: the first row (column) after the removed band,
// moved into its place.
std::string landingCell(std::string_view reference, const formula::Deletion& deletion) {
    auto area = parseA1(reference);
    if (!area) return "A1";
    int32_t row = area->firstRow, column = area->firstColumn;
    if (deletion.axis == formula::Axis::Rows) row = std::min(deletion.first, kMaxRows - deletion.count);
    else column = std::min(deletion.first, kMaxColumns - deletion.count);
    return cellAddress(std::max(row, 1), std::max(column, 1), false);
}

// Moves the areas of the edited sheet's kept XML; its formulas move with every other kept formula.
class Shifter {
public:
    explicit Shifter(const formula::Deletion& deletion) : deletion_(deletion) {}

    void walk(pugi::xml_node node) {
        std::vector<pugi::xml_node> doomed;
        for (pugi::xml_node child : node.children()) {
            if (child.type() != pugi::node_element) continue;
            if (!shiftElement(child)) {
                doomed.push_back(child);
                continue;
            }
            bool hadChildren = hasElementChild(child);
            walk(child);
            if (lostItsArea(child) || isEmptyContainer(child) || (hadChildren && emptiedExtension(child)))
                doomed.push_back(child);
        }
        for (pugi::xml_node gone : doomed) node.remove_child(gone);
        updateCount(node);
    }

private:
    static bool hasElementChild(pugi::xml_node node, std::string_view name = {}) {
        for (pugi::xml_node child : node.children())
            if (child.type() == pugi::node_element && (name.empty() || localName(child) == name)) return true;
        return false;
    }

    // An extension's conditional format, validation or sparkline whose <xm:sqref> went; a
    // sparkline group whose sparklines all went.
    static bool lostItsArea(pugi::xml_node node) {
        std::string_view name = localName(node);
        if (name == "sparklineGroup") return !hasElementChild(node, "sparklines");
        if (name != "conditionalFormatting" && name != "dataValidation" && name != "sparkline") return false;
        return !node.attribute("sqref") && !hasElementChild(node, "sqref");
    }

    // An extension (or the list of them) that held only what went.
    static bool emptiedExtension(pugi::xml_node node) {
        std::string_view name = localName(node);
        return (name == "ext" || name == "extLst") && !hasElementChild(node);
    }

    // Lists the schema wants non-empty.
    static bool isEmptyContainer(pugi::xml_node node) {
        std::string_view name = localName(node);
        bool list = name == "dataValidations" || name == "hyperlinks" || name == "ignoredErrors" ||
                    name == "protectedRanges" || name == "conditionalFormattings" || name == "sparklines" ||
                    name == "sparklineGroups";
        return list && !hasElementChild(node);
    }

    // Returns false when the element lost its whole area and must go.
    bool shiftElement(pugi::xml_node element) {
        std::string_view name = localName(element);
        if (name == "conditionalFormatting" || name == "dataValidation" || name == "ignoredError" ||
            name == "protectedRange")
            return shiftAreaAttribute(element, "sqref");
        if (name == "hyperlink" || name == "autoFilter" || name == "sortState" || name == "sortCondition")
            return shiftAreaAttribute(element, "ref");
        if (name == "selection") {
            shiftSelection(element);
            return true;
        }
        if (name == "pane") {
            shiftLandingAttribute(element, "topLeftCell");
            return true;
        }
        if (name == "sqref") return shiftAreaText(element);  // extension lists: <xm:sqref>
        if (name == "brk") return shiftBreak(element);
        return true;
    }

    bool shiftAreaAttribute(pugi::xml_node element, const char* attribute) {
        pugi::xml_attribute areas = element.attribute(attribute);
        if (!areas) return true;
        std::string moved = formula::shiftAreaList(areas.value(), deletion_);
        if (moved.empty()) return false;
        areas.set_value(moved.c_str());
        return true;
    }

    bool shiftAreaText(pugi::xml_node element) {
        std::string moved = formula::shiftAreaList(element.text().get(), deletion_);
        if (moved.empty()) return false;
        element.text().set(moved.c_str());
        return true;
    }

    void shiftLandingAttribute(pugi::xml_node element, const char* attribute) {
        pugi::xml_attribute cell = element.attribute(attribute);
        if (!cell) return;
        std::string moved = formula::shiftReference(cell.value(), deletion_);
        if (moved.empty()) moved = landingCell(cell.value(), deletion_);
        cell.set_value(moved.c_str());
    }

    void shiftSelection(pugi::xml_node selection) {
        shiftLandingAttribute(selection, "activeCell");
        pugi::xml_attribute areas = selection.attribute("sqref");
        if (!areas) return;
        std::string moved = formula::shiftAreaList(areas.value(), deletion_);
        if (moved.empty()) {
            pugi::xml_attribute active = selection.attribute("activeCell");
            moved = active ? active.value() : "A1";
        }
        areas.set_value(moved.c_str());
    }

    // A page break after row (column) id: it moves with the rows; one inside the band goes.
    bool shiftBreak(pugi::xml_node brk) {
        std::string_view parent = localName(brk.parent());
        bool rowBreak = parent == "rowBreaks";
        if (rowBreak != (deletion_.axis == formula::Axis::Rows)) return true;
        pugi::xml_attribute id = brk.attribute("id");
        int64_t at = id.as_llong(0);
        if (at < deletion_.first) return true;
        if (at <= deletion_.last()) return false;
        id.set_value(at - deletion_.count);
        return true;
    }

    // Parents that carry the number of their children.
    static void updateCount(pugi::xml_node node) {
        std::string_view name = localName(node);
        if (name != "dataValidations" && name != "rowBreaks" && name != "colBreaks") return;
        size_t n = 0;
        for (pugi::xml_node child : node.children())
            if (child.type() == pugi::node_element) ++n;
        if (pugi::xml_attribute count = node.attribute("count")) count.set_value(n);
        if (name != "dataValidations")
            if (pugi::xml_attribute manual = node.attribute("manualBreakCount")) manual.set_value(n);
    }

    const formula::Deletion& deletion_;
};

}  // namespace

void shiftKeptWorksheetXml(pugi::xml_document& part, std::string_view sheetName, const formula::Deletion& deletion) {
    Shifter(deletion).walk(part);
    const formula::Context context{sheetName, sheetName};
    xlsx::editSheetXmlFormulas(part, [&](const std::string& text) { return formula::shiftForDeletion(text, context, deletion); });
}

}  // namespace tavlora::host
