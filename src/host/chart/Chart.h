#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "com/Dispatch.h"
#include "com/Variant.h"

namespace tavlora::host {

class Range;
class Sheet;
class Worksheet;
class ChartObject;

// The application's chart-type numbers used most (any number the model supports is accepted).
namespace charttype {
constexpr int32_t kColumnClustered = 51;
constexpr int32_t kColumnStacked = 52;
constexpr int32_t kColumnStacked100 = 53;
constexpr int32_t kBarClustered = 57;
constexpr int32_t kLine = 4;
constexpr int32_t kLineMarkers = 65;
constexpr int32_t kPie = 5;
constexpr int32_t kPieOfPie = 68;
constexpr int32_t kPieExploded = 69;
constexpr int32_t k3DPieExploded = 70;
constexpr int32_t kBarOfPie = 71;
constexpr int32_t k3DPie = -4102;
constexpr int32_t kDoughnut = -4120;
constexpr int32_t kArea = 1;
constexpr int32_t kXYScatter = -4169;
constexpr int32_t kRadar = -4151;
}  // namespace charttype

namespace plotby {
constexpr int32_t kRows = 1;
constexpr int32_t kColumns = 2;
}  // namespace plotby

// One series of a chart. Name, Values and XValues accept literal values and arrays, array
// constants ("={1,2.5,3}") and R1C1 reference formulas ("=Data!R2C2:R6C2", "=(Data!R2C1,Data!R3C1)");
// a reference the workbook cannot resolve is a host error. Referenced cells are read when the
// chart is written, so the saved chart caches the current values.
class Series : public com::Dispatch {
public:
    virtual ~Series() = default;
    virtual com::Variant name() const = 0;
    virtual void setName(const com::Variant& value) = 0;
    virtual com::Variant values() const = 0;
    virtual void setValues(const com::Variant& value) = 0;
    virtual com::Variant xValues() const = 0;
    virtual void setXValues(const com::Variant& value) = 0;
    // Removes the series from its chart.
    virtual void deleteSeries() = 0;
};

class SeriesCollection {
public:
    virtual ~SeriesCollection() = default;
    virtual int32_t count() const = 0;
    // 1-based; host error out of range.
    virtual std::shared_ptr<Series> item(int32_t index) = 0;
    // A new, empty series at the end.
    virtual std::shared_ptr<Series> newSeries() = 0;
};

// A chart, on a chart sheet or inside an embedded chart object.
class Chart : public com::Dispatch {
public:
    virtual ~Chart() = default;
    // A chart sheet's chart has the sheet's name (put renames the sheet); an embedded chart's
    // name is its object's.
    virtual std::string name() const = 0;
    virtual void setName(const std::string& name) = 0;
    virtual int32_t chartType() const = 0;
    // Unknown numbers are a host error and the chart keeps its type. A new chart is a clustered
    // column chart (51).
    virtual void setChartType(int32_t type) = 0;
    virtual SeriesCollection& seriesCollection() = 0;
    // Replaces the series by series built from the block: by columns (2) or rows (1), a leading
    // text row and column giving series names and categories.
    virtual void setSourceData(const Range& source, int32_t plotBy) = 0;
    virtual bool hasLegend() const = 0;
    virtual void setHasLegend(bool value) = 0;
    virtual bool hasDataTable() const = 0;
    virtual void setHasDataTable(bool value) = 0;
    // The application's data-label type numbers (xlDataLabelsShowNone -4142, ShowValue 2,
    // ShowPercent 3, ShowLabel 4, ShowLabelAndPercent 5, ShowBubbleSizes 6), applied to every series.
    virtual void applyDataLabels(int32_t type, bool legendKey) = 0;
    virtual bool hasTitle() const = 0;
    virtual void setHasTitle(bool value) = 0;
    // ChartTitle.Characters.Text; host error when the chart has no title.
    virtual std::string titleText() const = 0;
    virtual void setTitleText(const std::string& text) = 0;
};

// An embedded chart on a worksheet, anchored at points from the sheet's top-left corner.
class ChartObject : public com::Dispatch {
public:
    virtual ~ChartObject() = default;
    virtual std::string name() const = 0;
    virtual void setName(const std::string& name) = 0;
    virtual std::shared_ptr<Chart> chart() = 0;
};

}  // namespace tavlora::host
