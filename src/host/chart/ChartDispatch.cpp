#include "host/chart/ChartDispatch.h"

#include "com/Conversions.h"
#include "com/Error.h"
#include "com/ObjectCast.h"
#include "host/chart/ChartModel.h"
#include "host/chart/EmbeddedChart.h"
#include "host/Range.h"

namespace tavlora::host {

namespace {

using com::MemberKind;
using com::ParamInfo;
using com::Variant;
using com::VarType;
using Args = std::vector<Variant>;

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

const com::DispatchTable& SeriesCollectionObject::dispatchTable() const {
    auto self = [](com::Dispatch& d) -> ChartModel& { return static_cast<SeriesCollectionObject&>(d).chart(); };
    static const com::DispatchTable table(
        "SeriesCollection",
        {
            {"Count", 0x76, MemberKind::PropertyGet, {}, VarType::Long,
             [self](com::Dispatch& d, Args&) { return Variant(self(d).count()); }},
            {"Item", 0xaa, MemberKind::Method, {{"Index", VarType::Any}}, VarType::Object,
             [self](com::Dispatch& d, Args& a) { return seriesItem(self(d), a[0]); }},
            {"NewSeries", 0x45d, MemberKind::Method, {}, VarType::Object,
             [self](com::Dispatch& d, Args&) { return com::objectVariant(self(d).newSeries()); }},
        });
    return table;
}

const com::DispatchTable& ChartTitleObject::dispatchTable() const {
    auto self = [](com::Dispatch& d) -> ChartModel& { return static_cast<ChartTitleObject&>(d).chart(); };
    static const com::DispatchTable table(
        "ChartTitle",
        {
            {"Text", 0x8a, MemberKind::PropertyGet, {}, VarType::String,
             [self](com::Dispatch& d, Args&) { return Variant(self(d).titleText()); }},
            {"Text", 0x8a, MemberKind::PropertyLet, {{"RHS", VarType::String}}, VarType::Empty,
             [self](com::Dispatch& d, Args& a) {
                 self(d).setTitleText(a[0].asString());
                 return Variant();
             }},
            {"Characters", 0x25b, MemberKind::PropertyGet,
             {ParamInfo{"Start", VarType::Any, true, Variant::missing()},
              ParamInfo{"Length", VarType::Any, true, Variant::missing()}},
             VarType::Object,
             [self](com::Dispatch& d, Args&) {
                 return com::objectVariant(std::make_shared<ChartTitleObject>(sharedChart(self(d)), true));
             }},
        });
    return table;
}

}  // namespace

std::vector<com::MemberInfo> chartDispatchMembers(std::function<ChartModel&(com::Dispatch&)> chartOf) {
    auto let = [](auto action) {
        return [action](com::Dispatch& d, Args& a) {
            action(d, a);
            return Variant();
        };
    };
    return {
        {"ChartType", 0x578, MemberKind::PropertyGet, {}, VarType::Long,
         [chartOf](com::Dispatch& d, Args&) { return Variant(chartOf(d).chartType()); }},
        {"ChartType", 0x578, MemberKind::PropertyLet, {{"RHS", VarType::Long}}, VarType::Empty,
         let([chartOf](com::Dispatch& d, Args& a) { chartOf(d).setChartType(a[0].asInt32()); })},
        {"SeriesCollection", 0x44, MemberKind::Method, {ParamInfo{"Index", VarType::Any, true, Variant::missing()}},
         VarType::Object,
         [chartOf](com::Dispatch& d, Args& a) {
             ChartModel& chart = chartOf(d);
             if (a[0].isMissing()) return com::objectVariant(std::make_shared<SeriesCollectionObject>(sharedChart(chart)));
             return seriesItem(chart, a[0]);
         }},
        {"SetSourceData", 0x585, MemberKind::Method,
         {ParamInfo{"Source", VarType::Object}, ParamInfo{"PlotBy", VarType::Any, true, Variant::missing()}},
         VarType::Empty,
         let([chartOf](com::Dispatch& d, Args& a) {
             auto range = com::objectAs<RangeObject>(a[0]);
             if (!range) com::throwHostError("SetSourceData: Source must be a Range.");
             int32_t plotBy = plotby::kColumns;
             if (!a[1].isMissing()) {
                 plotBy = com::toInt32(a[1]);
             } else if (range->range().area().rowCount() < range->range().area().columnCount()) {
                 plotBy = plotby::kRows;
             }
             chartOf(d).setSourceData(range->range(), plotBy);
         })},
        {"HasLegend", 0x35, MemberKind::PropertyGet, {}, VarType::Boolean,
         [chartOf](com::Dispatch& d, Args&) { return Variant(chartOf(d).hasLegend()); }},
        {"HasLegend", 0x35, MemberKind::PropertyLet, {{"RHS", VarType::Boolean}}, VarType::Empty,
         let([chartOf](com::Dispatch& d, Args& a) { chartOf(d).setHasLegend(a[0].asBool()); })},
        {"HasDataTable", 0x574, MemberKind::PropertyGet, {}, VarType::Boolean,
         [chartOf](com::Dispatch& d, Args&) { return Variant(chartOf(d).hasDataTable()); }},
        {"HasDataTable", 0x574, MemberKind::PropertyLet, {{"RHS", VarType::Boolean}}, VarType::Empty,
         let([chartOf](com::Dispatch& d, Args& a) { chartOf(d).setHasDataTable(a[0].asBool()); })},
        {"ApplyDataLabels", 0x782, MemberKind::Method,
         {ParamInfo{"Type", VarType::Long, true, Variant(2)}, ParamInfo{"LegendKey", VarType::Boolean, true, Variant(false)},
          ParamInfo{"AutoText", VarType::Any, true, Variant::missing()},
          ParamInfo{"HasLeaderLines", VarType::Any, true, Variant::missing()},
          ParamInfo{"ShowSeriesName", VarType::Any, true, Variant::missing()},
          ParamInfo{"ShowCategoryName", VarType::Any, true, Variant::missing()},
          ParamInfo{"ShowValue", VarType::Any, true, Variant::missing()},
          ParamInfo{"ShowPercentage", VarType::Any, true, Variant::missing()},
          ParamInfo{"ShowBubbleSize", VarType::Any, true, Variant::missing()},
          ParamInfo{"Separator", VarType::Any, true, Variant::missing()}},
         VarType::Empty,
         let([chartOf](com::Dispatch& d, Args& a) { chartOf(d).applyDataLabels(a[0].asInt32(), a[1].asBool()); })},
        {"HasTitle", 0x36, MemberKind::PropertyGet, {}, VarType::Boolean,
         [chartOf](com::Dispatch& d, Args&) { return Variant(chartOf(d).hasTitle()); }},
        {"HasTitle", 0x36, MemberKind::PropertyLet, {{"RHS", VarType::Boolean}}, VarType::Empty,
         let([chartOf](com::Dispatch& d, Args& a) { chartOf(d).setHasTitle(a[0].asBool()); })},
        {"ChartTitle", 0x51, MemberKind::PropertyGet, {}, VarType::Object,
         [chartOf](com::Dispatch& d, Args&) {
             ChartModel& chart = chartOf(d);
             (void)chart.titleText();  // no title object without a title
             return com::objectVariant(std::make_shared<ChartTitleObject>(sharedChart(chart), false));
         }},
    };
}

const com::DispatchTable& ChartModel::dispatchTable() const {
    static const com::DispatchTable table = [] {
        auto members = chartDispatchMembers([](com::Dispatch& d) -> ChartModel& { return static_cast<ChartModel&>(d); });
        members.push_back({"Name", 0x6e, MemberKind::PropertyGet, {}, VarType::String,
                           [](com::Dispatch& d, Args&) { return Variant(static_cast<ChartModel&>(d).name()); }});
        members.push_back({"Name", 0x6e, MemberKind::PropertyLet, {{"RHS", VarType::String}}, VarType::Empty,
                           [](com::Dispatch& d, Args& a) {
                               static_cast<ChartModel&>(d).setName(a[0].asString());
                               return Variant();
                           }});
        return com::DispatchTable("_Chart", std::move(members));
    }();
    return table;
}

const com::DispatchTable& SeriesModel::dispatchTable() const {
    auto self = [](com::Dispatch& d) -> SeriesModel& { return static_cast<SeriesModel&>(d); };
    static const com::DispatchTable table(
        "Series",
        {
            {"Name", 0x6e, MemberKind::PropertyGet, {}, VarType::Any,
             [self](com::Dispatch& d, Args&) { return self(d).name(); }},
            {"Name", 0x6e, MemberKind::PropertyLet, {{"RHS", VarType::Any}}, VarType::Empty,
             [self](com::Dispatch& d, Args& a) {
                 self(d).setName(a[0]);
                 return Variant();
             }},
            {"Values", 0xa4, MemberKind::PropertyGet, {}, VarType::Any,
             [self](com::Dispatch& d, Args&) { return self(d).values(); }},
            {"Values", 0xa4, MemberKind::PropertyLet, {{"RHS", VarType::Any}}, VarType::Empty,
             [self](com::Dispatch& d, Args& a) {
                 self(d).setValues(a[0]);
                 return Variant();
             }},
            {"XValues", 0x457, MemberKind::PropertyGet, {}, VarType::Any,
             [self](com::Dispatch& d, Args&) { return self(d).xValues(); }},
            {"XValues", 0x457, MemberKind::PropertyLet, {{"RHS", VarType::Any}}, VarType::Empty,
             [self](com::Dispatch& d, Args& a) {
                 self(d).setXValues(a[0]);
                 return Variant();
             }},
            {"Delete", 0x75, MemberKind::Method, {}, VarType::Empty,
             [self](com::Dispatch& d, Args&) {
                 self(d).deleteSeries();
                 return Variant();
             }},
        });
    return table;
}

const com::DispatchTable& EmbeddedChart::dispatchTable() const {
    auto self = [](com::Dispatch& d) -> EmbeddedChart& { return static_cast<EmbeddedChart&>(d); };
    static const com::DispatchTable table(
        "ChartObject",
        {
            {"Name", 0x6e, MemberKind::PropertyGet, {}, VarType::String,
             [self](com::Dispatch& d, Args&) { return Variant(self(d).name()); }},
            {"Name", 0x6e, MemberKind::PropertyLet, {{"RHS", VarType::String}}, VarType::Empty,
             [self](com::Dispatch& d, Args& a) {
                 self(d).setName(a[0].asString());
                 return Variant();
             }},
            {"Chart", 0x7, MemberKind::PropertyGet, {}, VarType::Object,
             [self](com::Dispatch& d, Args&) { return com::objectVariant(self(d).chart()); }},
        });
    return table;
}

}  // namespace tavlora::host
