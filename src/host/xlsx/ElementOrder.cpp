#include "host/xlsx/ElementOrder.h"

#include <array>

namespace tavlora::host::xlsx {

namespace {

constexpr std::array<std::string_view, 38> kWorksheet = {
    "sheetPr",        "dimension",        "sheetViews",       "sheetFormatPr",   "cols",
    "sheetData",      "sheetCalcPr",      "sheetProtection",  "protectedRanges", "scenarios",
    "autoFilter",     "sortState",        "dataConsolidate",  "customSheetViews", "mergeCells",
    "phoneticPr",     "conditionalFormatting", "dataValidations", "hyperlinks",  "printOptions",
    "pageMargins",    "pageSetup",        "headerFooter",     "rowBreaks",       "colBreaks",
    "customProperties", "cellWatches",    "ignoredErrors",    "smartTags",       "drawing",
    "legacyDrawing",  "legacyDrawingHF",  "drawingHF",        "picture",         "oleObjects",
    "controls",       "webPublishItems",  "tableParts",
};

constexpr std::array<std::string_view, 19> kWorkbook = {
    "fileVersion",  "fileSharing",   "workbookPr",          "workbookProtection", "bookViews",
    "sheets",       "functionGroups", "externalReferences", "definedNames",       "calcPr",
    "oleSize",      "customWorkbookViews", "pivotCaches",   "smartTagPr",         "smartTagTypes",
    "webPublishing", "fileRecoveryPr", "webPublishObjects", "extLst",
};

}  // namespace

std::span<const std::string_view> worksheetOrder() {
    // extLst closes every worksheet; it is ranked after everything listed.
    static constexpr auto kWithExtensions = [] {
        std::array<std::string_view, kWorksheet.size() + 1> all{};
        for (size_t i = 0; i < kWorksheet.size(); ++i) all[i] = kWorksheet[i];
        all[kWorksheet.size()] = "extLst";
        return all;
    }();
    return kWithExtensions;
}

std::span<const std::string_view> workbookOrder() { return kWorkbook; }

int rankIn(std::span<const std::string_view> order, std::string_view localName) {
    for (size_t i = 0; i < order.size(); ++i)
        if (order[i] == localName) return static_cast<int>(i);
    return -1;
}

}  // namespace tavlora::host::xlsx
