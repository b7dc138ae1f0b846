#pragma once
// Names for the numbers that members take as enumerated arguments: chart types (the host's
// XlChartType numbers that DoA_Chart and DoA_ChartFromRange apply), data label types
// (DoA_SetStyle), the plot order of a range chart, placeholder entry kinds, the header modes of
// CExcelTmplPrintOne::DoA_Begin and the end modes a list template names in cell A6.
// The Python module publishes the same names from kNamedConstants.
#include <cstdint>
#include <string_view>

#include "tavlora/ePosType.h"

#define TAVLORA_CHART_TYPES(X)                                                                                   \
    X(xlColumnClustered, 51) X(xlColumnStacked, 52) X(xlColumnStacked100, 53) X(xl3DColumnClustered, 54)        \
    X(xl3DColumnStacked, 55) X(xl3DColumnStacked100, 56) X(xl3DColumn, -4100) X(xlBarClustered, 57)              \
    X(xlBarStacked, 58) X(xlBarStacked100, 59) X(xl3DBarClustered, 60) X(xl3DBarStacked, 61)                     \
    X(xl3DBarStacked100, 62) X(xlLine, 4) X(xlLineStacked, 63) X(xlLineStacked100, 64) X(xlLineMarkers, 65)     \
    X(xlLineMarkersStacked, 66) X(xlLineMarkersStacked100, 67) X(xl3DLine, -4101) X(xlPie, 5)                    \
    X(xlPieExploded, 69) X(xl3DPie, -4102) X(xl3DPieExploded, 70) X(xlPieOfPie, 68) X(xlBarOfPie, 71)            \
    X(xlDoughnut, -4120) X(xlDoughnutExploded, 80) X(xlArea, 1) X(xlAreaStacked, 76) X(xlAreaStacked100, 77)     \
    X(xl3DArea, -4098) X(xl3DAreaStacked, 78) X(xl3DAreaStacked100, 79) X(xlXYScatter, -4169)                    \
    X(xlXYScatterSmooth, 72) X(xlXYScatterSmoothNoMarkers, 73) X(xlXYScatterLines, 74)                           \
    X(xlXYScatterLinesNoMarkers, 75) X(xlRadar, -4151) X(xlRadarMarkers, 81) X(xlRadarFilled, 82)                \
    X(xlCylinderColClustered, 92) X(xlCylinderColStacked, 93) X(xlCylinderColStacked100, 94)                     \
    X(xlCylinderBarClustered, 95) X(xlCylinderBarStacked, 96) X(xlCylinderBarStacked100, 97) X(xlCylinderCol, 98) \
    X(xlConeColClustered, 99) X(xlConeColStacked, 100) X(xlConeColStacked100, 101) X(xlConeBarClustered, 102)    \
    X(xlConeBarStacked, 103) X(xlConeBarStacked100, 104) X(xlConeCol, 105) X(xlPyramidColClustered, 106)         \
    X(xlPyramidColStacked, 107) X(xlPyramidColStacked100, 108) X(xlPyramidBarClustered, 109)                     \
    X(xlPyramidBarStacked, 110) X(xlPyramidBarStacked100, 111) X(xlPyramidCol, 112)

#define TAVLORA_DATA_LABEL_TYPES(X)                                                                    \
    X(xlDataLabelsShowNone, -4142) X(xlDataLabelsShowValue, 2) X(xlDataLabelsShowPercent, 3)         \
    X(xlDataLabelsShowLabel, 4) X(xlDataLabelsShowLabelAndPercent, 5) X(xlDataLabelsShowBubbleSizes, 6)

#define TAVLORA_PLOT_ORDERS(X) X(xlRows, 1) X(xlColumns, 2)

#define TAVLORA_HEADER_MODES(X) \
    X(WhiteMode_HeaderRows, 0) X(WhiteMode_InCell, 1) X(ClearWhite_Keep, 0) X(ClearWhite_Clear, 1) X(ClearWhite_Delete, 2)

#define TAVLORA_END_MODES(X) X(EndMode_Keep, 0) X(EndMode_Clear, 1) X(EndMode_Delete, 2)

#define TAVLORA_POS_TYPES(X) X(ePosType_No, 0) X(ePosType_RowCol, 1) X(ePosType_A1, 2)

namespace tavlora {

#define TAVLORA_ENUMERATOR(name, value) name = value,
// Chart-type numbers DoA_Chart and DoA_ChartFromRange can draw (0 keeps the chart's type).
enum XlChartType : int32_t { TAVLORA_CHART_TYPES(TAVLORA_ENUMERATOR) };
// Data label types of CExcelChart::DoA_SetStyle.
enum XlDataLabelsType : int32_t { TAVLORA_DATA_LABEL_TYPES(TAVLORA_ENUMERATOR) };
// How a range chart splits its block into series: DoA_ChartFromRange's bCol is true for xlColumns.
enum XlRowCol : int32_t { TAVLORA_PLOT_ORDERS(TAVLORA_ENUMERATOR) };
// CExcelTmplPrintOne::DoA_Begin: nWhiteMode (where placeholders are), nClearWhiteMode (what
// becomes of header rows 1-2 at DoA_End).
namespace headermode {
enum HeaderMode : int16_t { TAVLORA_HEADER_MODES(TAVLORA_ENUMERATOR) };
}
// The end mode a list template writes in A6: what DoA_End of CExcelTmplPrintBat does with row 1
// and column A ("" counts as EndMode_Clear).
enum EndMode : int32_t { TAVLORA_END_MODES(TAVLORA_ENUMERATOR) };
#undef TAVLORA_ENUMERATOR
using tmplone::ePosType;
using tmplone::ePosType_A1;
using tmplone::ePosType_No;
using tmplone::ePosType_RowCol;

struct NamedConstant {
    std::string_view group;
    std::string_view name;
    int32_t value;
};

// Every name above with its group (the enumeration's name), for bindings and generated stubs.
inline constexpr NamedConstant kNamedConstants[] = {
#define TAVLORA_CHART_ROW(name, value) NamedConstant{"XlChartType", #name, value},
    TAVLORA_CHART_TYPES(TAVLORA_CHART_ROW)
#undef TAVLORA_CHART_ROW
#define TAVLORA_LABEL_ROW(name, value) NamedConstant{"XlDataLabelsType", #name, value},
    TAVLORA_DATA_LABEL_TYPES(TAVLORA_LABEL_ROW)
#undef TAVLORA_LABEL_ROW
#define TAVLORA_PLOT_ROW(name, value) NamedConstant{"XlRowCol", #name, value},
    TAVLORA_PLOT_ORDERS(TAVLORA_PLOT_ROW)
#undef TAVLORA_PLOT_ROW
#define TAVLORA_HEADER_ROW(name, value) NamedConstant{"HeaderMode", #name, value},
    TAVLORA_HEADER_MODES(TAVLORA_HEADER_ROW)
#undef TAVLORA_HEADER_ROW
#define TAVLORA_END_ROW(name, value) NamedConstant{"EndMode", #name, value},
    TAVLORA_END_MODES(TAVLORA_END_ROW)
#undef TAVLORA_END_ROW
#define TAVLORA_POS_ROW(name, value) NamedConstant{"ePosType", #name, value},
    TAVLORA_POS_TYPES(TAVLORA_POS_ROW)
#undef TAVLORA_POS_ROW
};

}  // namespace tavlora
