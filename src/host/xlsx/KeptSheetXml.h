#pragma once
#include <functional>
#include <memory>
#include <string>
#include <utility>

#include <pugixml.hpp>

#include "base/SharedUntilChanged.h"
#include "host/Worksheet.h"
#include "host/xlsx/KeptCellAttributes.h"

namespace tavlora::host::xlsx {

// A worksheet part's kept XML; a copy is a copy of the document.
struct KeptSheetDocument {
    pugi::xml_document xml;

    KeptSheetDocument() = default;
    KeptSheetDocument(const KeptSheetDocument& other) { xml.reset(other.xml); }
    KeptSheetDocument& operator=(const KeptSheetDocument&) = delete;
};

// The worksheet part as read, with the modelled elements (sheetData, cols, mergeCells, dimension)
// emptied; everything else is written back from here. The sheets of the reports made from a cached
// template share the template's document until one of them changes it.
struct KeptSheetXml final : Worksheet::KeptPart {
    KeptSheetXml() = default;
    explicit KeptSheetXml(base::SharedUntilChanged<KeptSheetDocument> shared) : document(std::move(shared)) {}

    base::SharedUntilChanged<KeptSheetDocument> document;
    KeptCellAttributes cells;
};

// The kept XML of `sheet` to change, made (empty) on first use; the sheet's own from now on.
pugi::xml_document& keptSheetXml(Worksheet& sheet);
// Gives `sheet` the kept XML `document`, shared with its other holders until one changes it.
void shareKeptSheetXml(Worksheet& sheet, std::shared_ptr<KeptSheetDocument> document);
// Null for a sheet the engine made. For reading: the document may be another workbook's too.
const pugi::xml_document* findKeptSheetXml(const Worksheet& sheet);
// The kept XML to change, the sheet's own from now on; null for a sheet the engine made. The kept
// part is the file layer's state riding on the sheet, so a const sheet still lets the file layer
// shift it when the sheet's cells move.
pugi::xml_document* findOwnKeptSheetXml(const Worksheet& sheet);
// The root element of the kept XML, for reading; a null node for a sheet the engine made.
pugi::xml_node keptSheetRoot(const Worksheet& sheet);
// The root element of the kept XML to change (see findOwnKeptSheetXml).
pugi::xml_node ownKeptSheetRoot(const Worksheet& sheet);
// The extras of the sheet's cells, made (empty) on first use.
KeptCellAttributes& keptCellAttributes(Worksheet& sheet);
// Null when the sheet's cells carry none (or the engine made the sheet).
const KeptCellAttributes* findKeptCellAttributes(const Worksheet& sheet);
// The cells' extras move with rows or columns of the sheet that went; the formulas they belong to
// are rewritten with every other kept formula (KeptFormulas.h).
void shiftKeptCellAttributes(const Worksheet& sheet, const formula::Deletion& deletion);
// The formula texts the sheet's cell extras belong to, rewritten as the cells' formulas were.
void editKeptCellFormulaTexts(const Worksheet& sheet, const std::function<std::string(const std::string&)>& edit);
// Whether the sheet's first view was a selected tab in the file it was read from.
bool tabSelectedAsRead(const Worksheet& sheet);

}  // namespace tavlora::host::xlsx
