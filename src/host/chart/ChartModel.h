#pragma once
#include <memory>
#include <string>
#include <vector>

#include "host/chart/Chart.h"
#include "host/chart/ChartReference.h"
#include "host/chart/ChartType.h"

namespace tavlora::host {

class Workbook;
class ChartModel;
class EmbeddedChart;

// What data labels a series shows, as the application's label types set them.
struct DataLabelFlags {
    bool value = false;
    bool percent = false;
    bool category = false;
    bool seriesName = false;
    bool bubbleSize = false;
    bool legendKey = false;
    bool any() const { return value || percent || category || seriesName || bubbleSize; }
    bool operator==(const DataLabelFlags&) const = default;
};

// The flags of an ApplyDataLabels type (-4142 none, 2 value, 3 percent, 4 label, 5 label and
// percent, 6 bubble sizes); host error for another number.
DataLabelFlags dataLabelFlagsOf(int32_t type, bool legendKey);

// Where a series takes its name, values or categories from.
struct SeriesData {
    enum class Kind : uint8_t {
        None,       // automatic: "Series<N>", points 1, 2, 3 ...
        Literal,    // values held in the chart (arrays, array constants, texts)
        Reference,  // cells of the workbook, read whenever the chart is drawn or saved
        Kept,       // a source this program does not interpret (an external or named reference),
                    // written back as read; `literal` holds the values the part cached
    };
    Kind kind = Kind::None;
    std::vector<com::Variant> literal;
    ChartReference reference;
    std::string keptXml;
};

// One point of a series as the chart shows it now.
struct ResolvedPoint {
    com::Variant value;  // Empty for an empty cell
    std::string text;    // the displayed text
};

struct ResolvedData {
    std::vector<ResolvedPoint> points;
    std::string formatCode = "General";  // of the first referenced cell
    // Every point that is not empty holds a number (a numeric cache, a number category axis).
    bool numeric() const;
};

// Reads what the data stands for: the cells of a reference (clipped to the used part of each
// sheet), the literal values, or the cached values of a kept source.
ResolvedData resolveSeriesData(const Workbook& workbook, const SeriesData& data);

class SeriesModel final : public Series {
public:
    explicit SeriesModel(std::weak_ptr<ChartModel> chart) : chart_(std::move(chart)) {}

    // The name's text: the literal, the referenced cells' texts joined by blanks, or "Series<N>".
    com::Variant name() const override;
    // A text, or a reference formula "=Data!R1C2". Empty clears it (automatic name).
    void setName(const com::Variant& value) override;
    // The points' values now, as an array based at 1 (Empty without values).
    com::Variant values() const override;
    // Numbers, an array, an array constant "={1,2,3}", a reference formula, or a Range object.
    void setValues(const com::Variant& value) override;
    com::Variant xValues() const override;
    void setXValues(const com::Variant& value) override;
    void deleteSeries() override;
    const com::DispatchTable& dispatchTable() const override;

    const SeriesData& nameData() const { return name_; }
    const SeriesData& valuesData() const { return values_; }
    const SeriesData& xValuesData() const { return xValues_; }
    // The data labels shown; `labelsSet` once ApplyDataLabels chose them (the part's own
    // label formatting is replaced then).
    const DataLabelFlags& labels() const { return labels_; }
    bool labelsSet() const { return labelsSet_; }
    void applyLabels(const DataLabelFlags& flags);

    // For the file layer: data read from a chart part, without counting as a change.
    void loadName(SeriesData data) { name_ = std::move(data); }
    void loadValues(SeriesData data) { values_ = std::move(data); }
    void loadXValues(SeriesData data) { xValues_ = std::move(data); }
    void loadLabels(const DataLabelFlags& flags) { labels_ = flags; }
    // Position of the series (its c:ser element) in the part it was read from; -1 for a new one.
    int32_t keptIndex() const { return keptIndex_; }
    // The chart-type group of that part it belongs to (combination charts have several).
    int32_t keptGroup() const { return keptGroup_; }
    void setKeptPlace(int32_t index, int32_t group) {
        keptIndex_ = index;
        keptGroup_ = group;
    }
    // The reference data after an edit of the workbook; true when it changed.
    template <class Edit>
    bool editReferences(Edit edit) {
        bool changed = false;
        for (SeriesData* data : {&name_, &values_, &xValues_})
            if (data->kind == SeriesData::Kind::Reference) changed = edit(data->reference) || changed;
        return changed;
    }
    // The sources kept as read (a multi-level category reference, a name, another workbook):
    // `edit` answers each one's XML anew; true when one changed.
    template <class Edit>
    bool editKeptSources(Edit edit) {
        bool changed = false;
        for (SeriesData* data : {&name_, &values_, &xValues_}) {
            if (data->kind != SeriesData::Kind::Kept) continue;
            std::string edited = edit(data->keptXml);
            if (edited == data->keptXml) continue;
            data->keptXml = std::move(edited);
            changed = true;
        }
        return changed;
    }
    std::shared_ptr<ChartModel> chart() const { return chart_.lock(); }
    // The series left its chart: it answers no more changes.
    void detach() { chart_.reset(); }

private:
    SeriesData dataOf(const com::Variant& value, bool isName, const char* member) const;
    void changed();

    std::weak_ptr<ChartModel> chart_;
    SeriesData name_;
    SeriesData values_;
    SeriesData xValues_;
    DataLabelFlags labels_;
    bool labelsSet_ = false;
    int32_t keptIndex_ = -1;
    int32_t keptGroup_ = 0;
};

// A chart: on a chart sheet (the sheet's one chart) or inside an embedded chart object. The model
// holds what a client can set; a chart read from a file also remembers its part, which is written
// back unchanged for as long as nothing in the model changed.
class ChartModel final : public Chart, public SeriesCollection {
public:
    // A new clustered column chart with a legend, no series and no title. `sheet` is the chart
    // sheet, or the worksheet that holds `object`.
    static std::shared_ptr<ChartModel> create(std::weak_ptr<Sheet> sheet, std::weak_ptr<EmbeddedChart> object = {});

    // ---- Chart ----
    std::string name() const override;
    void setName(const std::string& name) override;
    int32_t chartType() const override { return type_; }
    void setChartType(int32_t type) override;
    SeriesCollection& seriesCollection() override { return *this; }
    void setSourceData(const Range& source, int32_t plotBy) override;
    bool hasLegend() const override { return hasLegend_; }
    void setHasLegend(bool value) override;
    bool hasDataTable() const override { return hasDataTable_; }
    void setHasDataTable(bool value) override;
    void applyDataLabels(int32_t type, bool legendKey) override;
    bool hasTitle() const override { return hasTitle_; }
    void setHasTitle(bool value) override;
    // "" for a title that shows the automatic text.
    std::string titleText() const override;
    void setTitleText(const std::string& text) override;
    const com::DispatchTable& dispatchTable() const override;

    // ---- SeriesCollection ----
    int32_t count() const override { return static_cast<int32_t>(series_.size()); }
    std::shared_ptr<Series> item(int32_t index) override;
    std::shared_ptr<Series> newSeries() override;

    const std::vector<std::shared_ptr<SeriesModel>>& series() const { return series_; }
    ChartTypeTraits traits() const;
    // The workbook the chart's references resolve in; host error when the chart's sheet is gone.
    std::shared_ptr<Workbook> workbook() const;
    // The sheet a reference without a sheet name means: the worksheet of an embedded chart, ""
    // on a chart sheet.
    std::string defaultReferenceSheet() const;
    // Checks that every sheet the reference names is a worksheet of the workbook and spells the
    // names as the workbook does; host error otherwise.
    void resolveSheets(ChartReference& reference) const;
    void removeSeries(const SeriesModel& series);

    // ---- change tracking and the file layer ----
    // True when the model no longer matches the part it was read from (always for a new chart).
    bool isModified() const { return modified_; }
    // The plot type was set: the writer replaces the part's chart-type groups and axes.
    bool typeChanged() const { return typeChanged_; }
    bool titleTextChanged() const { return titleTextChanged_; }
    void markModified() { modified_ = true; }
    // The chart part the model was read from ("" for a new chart).
    const std::string& partName() const { return partName_; }
    // Loads what the reader found, then `markRead` makes it the unchanged state.
    void loadType(int32_t type) { type_ = type; }
    void loadLegend(bool v) { hasLegend_ = v; }
    void loadDataTable(bool v) { hasDataTable_ = v; }
    void loadTitle(bool has, std::string text) {
        hasTitle_ = has;
        title_ = std::move(text);
    }
    std::shared_ptr<SeriesModel> loadSeries();
    void markRead(std::string partName);
    // Series references after an edit of the workbook; marks the model changed when one moved.
    template <class Edit>
    void editReferences(Edit edit) {
        for (auto& s : series_)
            if (s->editReferences(edit)) modified_ = true;
    }
    // The series sources kept as read after an edit of the workbook; marks the model changed when
    // one was rewritten.
    template <class Edit>
    void editKeptSources(Edit edit) {
        for (auto& s : series_)
            if (s->editKeptSources(edit)) modified_ = true;
    }

private:
    ChartModel() = default;
    void requireUsable() const;

    std::weak_ptr<Sheet> sheet_;
    std::weak_ptr<EmbeddedChart> object_;
    std::vector<std::shared_ptr<SeriesModel>> series_;
    int32_t type_ = charttype::kColumnClustered;
    bool hasLegend_ = true;
    bool hasDataTable_ = false;
    bool hasTitle_ = false;
    std::string title_;
    bool modified_ = true;
    bool typeChanged_ = false;
    bool titleTextChanged_ = false;
    std::string partName_;
};

}  // namespace tavlora::host
