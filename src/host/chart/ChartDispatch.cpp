#include "host/chart/ChartDispatch.h"

#include "com/Conversions.h"
#include "com/DispatchRows.h"
#include "com/Error.h"
#include "com/ObjectCast.h"
#include "host/chart/ChartModel.h"
#include "host/chart/EmbeddedChart.h"
#include "host/Range.h"

namespace tavlora::host {

namespace {

using com::Arguments;
using com::optionalParam;
using com::Variant;
using com::VarType;

// Chart.SeriesCollection() without an index.
class SeriesCollectionObject : public com::Dispatch {
public:
    explicit SeriesCollectionObject(std::shared_ptr<ChartModel> chart) : chart_(std::move(chart)) {}
    ChartModel& chart() { return *chart_; }
    const com::DispatchTable& dispatchTable() const override;

private:
    std::shared_ptr<ChartModel> chart_;
};

// Chart.ChartTitle, and its Characters: both give the whole title's text.
class ChartTitleObject : public com::Dispatch {
public:
    ChartTitleObject(std::shared_ptr<ChartModel> chart, bool characters) : chart_(std::move(chart)), characters_(characters) {}
    ChartModel& chart() { return *chart_; }
    const com::DispatchTable& dispatchTable() const override;

private:
    std::shared_ptr<ChartModel> chart_;
    bool characters_;
};

std::shared_ptr<ChartModel> sharedChart(ChartModel& chart) {
    return std::static_pointer_cast<ChartModel>(chart.shared_from_this());
}

Variant seriesItem(ChartModel& chart, const Variant& index) {
    return com::objectVariant(chart.item(com::toInt32(index)));
}

ChartModel& collectionChart(com::Dispatch& d) { return static_cast<SeriesCollectionObject&>(d).chart(); }
ChartModel& titleChart(com::Dispatch& d) { return static_cast<ChartTitleObject&>(d).chart(); }

const com::DispatchTable& SeriesCollectionObject::dispatchTable() const {
    static const com::DispatchTable table =
        com::DispatchRows<ChartModel>("SeriesCollection", &collectionChart)
            .get("Count", 0x76, VarType::Long, &ChartModel::count)
            .method("Item", 0xaa, {{"Index", VarType::Any}}, VarType::Object, &seriesItem)
            .method("NewSeries", 0x45d, VarType::Object, &ChartModel::newSeries)
            .build();
    return table;
}

const com::DispatchTable& ChartTitleObject::dispatchTable() const {
    static const com::DispatchTable table =
        com::DispatchRows<ChartModel>("ChartTitle", &titleChart)
            .get("Text", 0x8a, VarType::String, &ChartModel::titleText)
            .let("Text", 0x8a, VarType::String, &ChartModel::setTitleText)
            .get("Characters", 0x25b, VarType::Object,
                 [](ChartModel& chart, const Variant&, const Variant&) {
                     return std::make_shared<ChartTitleObject>(sharedChart(chart), true);
                 },
                 {optionalParam("Start", VarType::Any), optionalParam("Length", VarType::Any)})
            .build();
    return table;
}

void setSourceData(ChartModel& chart, const Variant& source, const Variant& plotByArgument) {
    auto range = com::objectAs<RangeObject>(source);
    if (!range) com::throwHostError("SetSourceData: Source must be a Range.");
    int32_t plotBy = plotby::kColumns;
    if (!plotByArgument.isMissing()) {
        plotBy = com::toInt32(plotByArgument);
    } else if (range->range().area().rowCount() < range->range().area().columnCount()) {
        plotBy = plotby::kRows;
    }
    chart.setSourceData(range->range(), plotBy);
}

}  // namespace

std::vector<com::MemberInfo> chartDispatchMembers(ChartModel& (*chartOf)(com::Dispatch&)) {
    return com::DispatchRows<ChartModel>("Chart", chartOf)
        .get("ChartType", 0x578, VarType::Long, &ChartModel::chartType)
        .let("ChartType", 0x578, VarType::Long, &ChartModel::setChartType)
        .method("SeriesCollection", 0x44, {optionalParam("Index", VarType::Any)}, VarType::Object,
                [](ChartModel& chart, const Variant& index) {
                    if (index.isMissing())
                        return com::objectVariant(std::make_shared<SeriesCollectionObject>(sharedChart(chart)));
                    return seriesItem(chart, index);
                })
        .method("SetSourceData", 0x585, {{"Source", VarType::Object}, optionalParam("PlotBy", VarType::Any)},
                VarType::Empty, &setSourceData)
        .get("HasLegend", 0x35, VarType::Boolean, &ChartModel::hasLegend)
        .let("HasLegend", 0x35, VarType::Boolean, &ChartModel::setHasLegend)
        .get("HasDataTable", 0x574, VarType::Boolean, &ChartModel::hasDataTable)
        .let("HasDataTable", 0x574, VarType::Boolean, &ChartModel::setHasDataTable)
        .method("ApplyDataLabels", 0x782,
                {optionalParam("Type", VarType::Long, Variant(2)), optionalParam("LegendKey", VarType::Boolean, Variant(false)),
                 optionalParam("AutoText", VarType::Any), optionalParam("HasLeaderLines", VarType::Any),
                 optionalParam("ShowSeriesName", VarType::Any), optionalParam("ShowCategoryName", VarType::Any),
                 optionalParam("ShowValue", VarType::Any), optionalParam("ShowPercentage", VarType::Any),
                 optionalParam("ShowBubbleSize", VarType::Any), optionalParam("Separator", VarType::Any)},
                VarType::Empty,
                [](ChartModel& chart, Arguments& a) { chart.applyDataLabels(a[0].asInt32(), a[1].asBool()); })
        .get("HasTitle", 0x36, VarType::Boolean, &ChartModel::hasTitle)
        .let("HasTitle", 0x36, VarType::Boolean, &ChartModel::setHasTitle)
        .get("ChartTitle", 0x51, VarType::Object,
             [](ChartModel& chart) {
                 (void)chart.titleText();  // no title object without a title
                 return std::make_shared<ChartTitleObject>(sharedChart(chart), false);
             })
        .members();
}

namespace {

ChartModel& chartItself(com::Dispatch& d) { return static_cast<ChartModel&>(d); }

}  // namespace

const com::DispatchTable& ChartModel::dispatchTable() const {
    static const com::DispatchTable table = com::DispatchRows<ChartModel>("_Chart")
                                                .append(chartDispatchMembers(&chartItself))
                                                .get("Name", 0x6e, VarType::String, &ChartModel::name)
                                                .let("Name", 0x6e, VarType::String, &ChartModel::setName)
                                                .build();
    return table;
}

const com::DispatchTable& SeriesModel::dispatchTable() const {
    static const com::DispatchTable table = com::DispatchRows<SeriesModel>("Series")
                                                .get("Name", 0x6e, VarType::Any, &SeriesModel::name)
                                                .let("Name", 0x6e, VarType::Any, &SeriesModel::setName)
                                                .get("Values", 0xa4, VarType::Any, &SeriesModel::values)
                                                .let("Values", 0xa4, VarType::Any, &SeriesModel::setValues)
                                                .get("XValues", 0x457, VarType::Any, &SeriesModel::xValues)
                                                .let("XValues", 0x457, VarType::Any, &SeriesModel::setXValues)
                                                .method("Delete", 0x75, VarType::Empty, &SeriesModel::deleteSeries)
                                                .build();
    return table;
}

const com::DispatchTable& EmbeddedChart::dispatchTable() const {
    static const com::DispatchTable table = com::DispatchRows<EmbeddedChart>("ChartObject")
                                                .get("Name", 0x6e, VarType::String, &EmbeddedChart::name)
                                                .let("Name", 0x6e, VarType::String, &EmbeddedChart::setName)
                                                .get("Chart", 0x7, VarType::Object, &EmbeddedChart::chart)
                                                .build();
    return table;
}

}  // namespace tavlora::host
