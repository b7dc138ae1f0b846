#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "host/Sheet.h"
#include "host/Workbook.h"

// The workbook part (xl/workbook.xml): the sheet list, defined names and workbook properties.
namespace tavlora::host::xlsx {

struct WorkbookSheetEntry {
    std::string name;
    std::string sheetId;
    std::string relationshipId;
    SheetVisibility visibility = SheetVisibility::Visible;
};

struct WorkbookPartInfo {
    std::vector<WorkbookSheetEntry> sheets;
    std::vector<DefinedName> definedNames;  // localSheet indexes the sheet list
    bool date1904 = false;
    int32_t activeTab = 0;
};

WorkbookPartInfo readWorkbookPart(const pugi::xml_document& document);

struct WorkbookSheetOut {
    std::string name;
    std::string sheetId;
    std::string relationshipId;
    SheetVisibility visibility = SheetVisibility::Visible;
};

struct WorkbookPartOut {
    std::vector<WorkbookSheetOut> sheets;
    const std::vector<DefinedName>* definedNames = nullptr;
    bool date1904 = false;
    int32_t activeTab = 0;
    std::string mainNamespace;
    std::string relationshipsNamespace;
};

// The kept workbook part (or a new one when `kept` is empty) with the sheet list and defined
// names regenerated, the date system and active tab set, and a full recalculation asked for on
// load (formulas were kept, cached values may be stale).
std::string workbookPartXml(const pugi::xml_document& kept, const WorkbookPartOut& out);
// Everything of `out` that workbookPartXml writes, each field after its length: equal spellings
// with the same kept XML make the same part.
std::string workbookPartSpelling(const WorkbookPartOut& out);

}  // namespace tavlora::host::xlsx
