#include "host/xlsx/KeptSheetXml.h"

namespace tavlora::host::xlsx {

namespace {

KeptSheetXml* keptOf(const Worksheet& sheet) { return dynamic_cast<KeptSheetXml*>(sheet.keptPart().get()); }

}  // namespace

pugi::xml_document& keptSheetXml(Worksheet& sheet) {
    if (KeptSheetXml* kept = keptOf(sheet)) return kept->document;
    auto made = std::make_shared<KeptSheetXml>();
    pugi::xml_document& document = made->document;
    sheet.setKeptPart(std::move(made));
    return document;
}

pugi::xml_document* findKeptSheetXml(const Worksheet& sheet) {
    KeptSheetXml* kept = keptOf(sheet);
    return kept ? &kept->document : nullptr;
}

pugi::xml_node keptSheetRoot(const Worksheet& sheet) {
    const pugi::xml_document* kept = findKeptSheetXml(sheet);
    return kept ? kept->document_element() : pugi::xml_node();
}

}  // namespace tavlora::host::xlsx
