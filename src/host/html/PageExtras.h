#pragma once
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "host/chart/ChartAnchor.h"
#include "host/format/CellColor.h"

namespace tavlora::host {
class ChartModel;
}

namespace tavlora::host::html {

// A picture of a worksheet's drawing, placed as the drawing anchors it.
struct PagePicture {
    ChartAnchor anchor;
    std::string mediaType;  // "image/png"
    std::string bytes;
    std::string description;  // the picture's alternative text
};

struct SheetExtras {
    int32_t frozenRows = 0;  // the rows 1..n stay in view while the sheet scrolls
    std::vector<PagePicture> pictures;
    bool showGridLines = true;  // the faint lines between cells without borders of their own
};

// What a page shows beyond the cells and charts the workbook models; the file layer reads it from
// the package the workbook was opened from.
struct PageExtras {
    std::string title;  // "" = the page's file name without its extension
    std::map<const Worksheet*, SheetExtras> sheets;
    // Charts whose category axis the template set to run backwards.
    std::set<const ChartModel*> reversedCategories;
    // The colours theme colours of cells name: the package's theme, else a new workbook's.
    ThemeColors themeColors = defaultThemeColors();
};

}  // namespace tavlora::host::html
