#include "host/xlsx/KeptSheetXml.h"

#include "host/xlsx/XmlPart.h"

namespace tavlora::host::xlsx {

namespace {

KeptSheetXml* keptOf(const Worksheet& sheet) { return dynamic_cast<KeptSheetXml*>(sheet.keptPart().get()); }

KeptSheetXml& keptState(Worksheet& sheet) {
    if (KeptSheetXml* kept = keptOf(sheet)) return *kept;
    auto made = std::make_shared<KeptSheetXml>();
    KeptSheetXml& state = *made;
    sheet.setKeptPart(std::move(made));
    return state;
}

}  // namespace

pugi::xml_document& keptSheetXml(Worksheet& sheet) { return keptState(sheet).document.own().xml; }

void shareKeptSheetXml(Worksheet& sheet, std::shared_ptr<KeptSheetDocument> document) {
    base::SharedUntilChanged<KeptSheetDocument> shared(std::move(document));
    if (KeptSheetXml* kept = keptOf(sheet)) kept->document = shared;
    else sheet.setKeptPart(std::make_shared<KeptSheetXml>(std::move(shared)));
}

KeptCellAttributes& keptCellAttributes(Worksheet& sheet) { return keptState(sheet).cells; }

const KeptCellAttributes* findKeptCellAttributes(const Worksheet& sheet) {
    KeptSheetXml* kept = keptOf(sheet);
    return kept && !kept->cells.empty() ? &kept->cells : nullptr;
}

const pugi::xml_document* findKeptSheetXml(const Worksheet& sheet) {
    KeptSheetXml* kept = keptOf(sheet);
    return kept ? &kept->document->xml : nullptr;
}

pugi::xml_document* findOwnKeptSheetXml(const Worksheet& sheet) {
    KeptSheetXml* kept = keptOf(sheet);
    return kept ? &kept->document.own().xml : nullptr;
}

pugi::xml_node keptSheetRoot(const Worksheet& sheet) {
    const pugi::xml_document* kept = findKeptSheetXml(sheet);
    return kept ? kept->document_element() : pugi::xml_node();
}

pugi::xml_node ownKeptSheetRoot(const Worksheet& sheet) {
    pugi::xml_document* kept = findOwnKeptSheetXml(sheet);
    return kept ? kept->document_element() : pugi::xml_node();
}

void shiftKeptCellAttributes(const Worksheet& sheet, const formula::Deletion& deletion) {
    KeptSheetXml* kept = keptOf(sheet);
    if (kept && !kept->cells.empty()) kept->cells.shift(deletion);
}

void editKeptCellFormulaTexts(const Worksheet& sheet, const std::function<std::string(const std::string&)>& edit) {
    KeptSheetXml* kept = keptOf(sheet);
    if (kept && !kept->cells.empty()) kept->cells.editFormulaTexts(edit);
}

bool tabSelectedAsRead(const Worksheet& sheet) {
    pugi::xml_node view = childByLocalName(childByLocalName(keptSheetRoot(sheet), "sheetViews"), "sheetView");
    return isTrue(view.attribute("tabSelected").value());
}

}  // namespace tavlora::host::xlsx
