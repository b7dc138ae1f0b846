#include "report/common/ChartLookups.h"

#include "com/Conversions.h"
#include "com/UnicodeText.h"
#include "com/Error.h"
#include "host/chart/Chart.h"
#include "host/chart/ChartSheet.h"
#include "host/Workbook.h"
#include "host/Worksheet.h"

namespace tavlora::common::MCommExcel {

namespace {

// The default place and size of a new embedded chart, in points.
constexpr int16_t kNewChartLeft = 180;
constexpr int16_t kNewChartTop = 100;
constexpr int16_t kNewChartWidth = 360;
constexpr int16_t kNewChartHeight = 210;

template <class T>
T& required(const std::shared_ptr<T>& object) {
    if (!object) throw com::Error(com::hr::kObjectNotSet, "Object variable or With block variable not set");
    return *object;
}

// The first element whose name matches, upper-cased on both sides.
template <class Items, class NameOf>
auto firstNamed(const Items& items, const std::string& strName, NameOf nameOf) -> typename Items::value_type {
    for (const auto& item : items) {
        if (item && com::equalsIgnoreCase(nameOf(*item), strName)) return item;
    }
    return nullptr;
}

}  // namespace

std::shared_ptr<host::Sheet> FindSheetByName(const std::shared_ptr<host::Workbook>& workbook,
                                             const std::string& strName) {
    return firstNamed(required(workbook).sheets(), strName, [](const host::Sheet& s) { return s.name(); });
}

std::shared_ptr<host::Chart> FindChartSheetByName(const std::shared_ptr<host::Workbook>& workbook,
                                                  const std::string& strName) {
    auto sheet =
        firstNamed(required(workbook).chartSheets(), strName, [](const host::ChartSheet& s) { return s.name(); });
    return sheet ? sheet->chart() : nullptr;
}

std::shared_ptr<host::ChartObject> FindChartObjectByName(const std::shared_ptr<host::Worksheet>& sheet,
                                                         const std::string& strName) {
    return firstNamed(required(sheet).chartObjects(), strName, [](const host::ChartObject& o) { return o.name(); });
}

std::shared_ptr<host::Chart> FindEmbeddedChartByName(const std::shared_ptr<host::Worksheet>& sheet,
                                                     const std::string& strName) {
    auto object = FindChartObjectByName(sheet, strName);
    return object ? object->chart() : nullptr;
}

std::shared_ptr<host::ChartObject> AddChartObject(const std::shared_ptr<host::Worksheet>& sheet,
                                                  const std::string& strName) {
    std::shared_ptr<host::ChartObject> object;
    try {
        object = required(sheet).addChartObject(kNewChartLeft, kNewChartTop, kNewChartWidth, kNewChartHeight);
        if (object && !strName.empty()) object->setName(strName);
    } catch (...) {
        // The object keeps the host's own name when the wanted one is refused.
    }
    return object;
}

std::shared_ptr<host::Chart> AddEmbeddedChart(const std::shared_ptr<host::Worksheet>& sheet,
                                              const std::string& strName) {
    auto object = AddChartObject(sheet, strName);
    return object ? object->chart() : nullptr;
}

void DeleteAllSeries(const std::shared_ptr<host::Chart>& chart) {
    host::SeriesCollection& series = required(chart).seriesCollection();
    for (int16_t n = com::narrowToInt16(series.count()); n > 0; --n) series.item(n)->deleteSeries();
}

}  // namespace tavlora::common::MCommExcel
