#include "host/chart/ChartModel.h"

#include <algorithm>

#include "com/Conversions.h"
#include "com/Error.h"
#include "host/cells/CellError.h"
#include "host/chart/ChartSheet.h"
#include "host/chart/EmbeddedChart.h"
#include "host/format/NumberFormat.h"
#include "host/Range.h"
#include "host/Workbook.h"
#include "host/Worksheet.h"

namespace tavlora::host {

namespace {

constexpr int32_t kLabelsNone = -4142;

bool sameNameIgnoringCase(std::string_view a, std::string_view b) { return com::upperCase(a) == com::upperCase(b); }

std::shared_ptr<Worksheet> findWorksheet(const Workbook& workbook, std::string_view name) {
    for (const auto& sheet : workbook.worksheets())
        if (sameNameIgnoringCase(sheet->name(), name)) return sheet;
    return nullptr;
}

// "a""b" -> a"b; nullopt when the text is not one quoted string.
std::optional<std::string> quotedText(std::string_view body) {
    if (body.size() < 2 || body.front() != '"' || body.back() != '"') return std::nullopt;
    std::string text;
    for (size_t i = 1; i + 1 < body.size(); ++i) {
        if (body[i] == '"') {
            if (i + 2 >= body.size() || body[i + 1] != '"') return std::nullopt;
            ++i;
        }
        text += body[i];
    }
    return text;
}

std::string literalText(const com::Variant& value) {
    if (value.type() == com::VarType::Double) return com::formatGeneralNumber(value.asDouble());
    if (value.type() == com::VarType::Error && !value.isMissing()) return std::string(cellErrorText(value.asError()));
    return com::toTextOrEmpty(value);
}

// Whole rows or columns end where the sheet's used cells end.
Area clipToUsed(const Worksheet& sheet, Area area) {
    if (!area.isWholeRows() && !area.isWholeColumns()) return area;
    Area used;
    if (!sheet.store().usedArea(used)) return Area{1, 1, 0, 0};
    if (area.isWholeColumns()) area.lastRow = std::min(area.lastRow, used.lastRow);
    if (area.isWholeRows()) area.lastColumn = std::min(area.lastColumn, used.lastColumn);
    return area;
}

void appendCells(const Worksheet& sheet, const Area& area, ResolvedData& out, bool& first) {
    const Styles& styles = sheet.workbookStore().styles;
    for (int32_t r = area.firstRow; r <= area.lastRow; ++r) {
        for (int32_t c = area.firstColumn; c <= area.lastColumn; ++c) {
            ResolvedPoint point;
            if (const Cell* cell = sheet.store().find(r, c)) {
                point.value = sheet.cellValue(*cell);
                point.text = sheet.cellText(*cell);
                if (first) out.formatCode = styles.cellFormat(cell->style).numberFormat;
            }
            first = false;
            out.points.push_back(std::move(point));
        }
    }
}

}  // namespace

DataLabelFlags dataLabelFlagsOf(int32_t type, bool legendKey) {
    DataLabelFlags flags;
    switch (type) {
        case kLabelsNone: return flags;
        case 2: flags.value = true; break;
        case 3: flags.percent = true; break;
        case 4: flags.category = true; break;
        case 5:
            flags.category = true;
            flags.percent = true;
            break;
        case 6: flags.bubbleSize = true; break;
        default:
            com::throwHostError("ApplyDataLabels: " + std::to_string(type) +
                                " is not a data label type (-4142 none, 2 value, 3 percent, 4 label, 5 label and "
                                "percent, 6 bubble sizes).");
    }
    flags.legendKey = legendKey;
    return flags;
}

bool ResolvedData::numeric() const {
    bool any = false;
    for (const ResolvedPoint& p : points) {
        if (p.value.isEmpty()) continue;
        if (!p.value.isNumeric()) return false;
        any = true;
    }
    return any;
}

ResolvedData resolveSeriesData(const Workbook& workbook, const SeriesData& data) {
    ResolvedData out;
    switch (data.kind) {
        case SeriesData::Kind::None: break;
        case SeriesData::Kind::Literal:
        case SeriesData::Kind::Kept:
            for (const com::Variant& value : data.literal) out.points.push_back({value, literalText(value)});
            break;
        case SeriesData::Kind::Reference: {
            if (data.reference.broken) break;
            bool first = true;
            for (const SheetArea& item : data.reference.areas) {
                auto sheet = findWorksheet(workbook, item.sheet);
                if (!sheet) continue;
                appendCells(*sheet, clipToUsed(*sheet, item.area), out, first);
            }
            break;
        }
    }
    return out;
}

// ---------------------------------------------------------------------------------------------
// Series

com::Variant SeriesModel::name() const {
    auto chart = chart_.lock();
    if (name_.kind == SeriesData::Kind::None) {
        int32_t position = 1;
        if (chart)
            for (const auto& s : chart->series()) {
                if (s.get() == this) break;
                ++position;
            }
        return "Series" + std::to_string(position);
    }
    if (!chart) return std::string();
    ResolvedData resolved = resolveSeriesData(*chart->workbook(), name_);
    std::string text;
    for (const ResolvedPoint& p : resolved.points) {
        if (p.text.empty()) continue;
        if (!text.empty()) text += ' ';
        text += p.text;
    }
    return text;
}

com::Variant SeriesModel::values() const {
    auto chart = chart_.lock();
    if (!chart || values_.kind == SeriesData::Kind::None) return {};
    std::vector<com::Variant> items;
    for (ResolvedPoint& p : resolveSeriesData(*chart->workbook(), values_).points) items.push_back(std::move(p.value));
    return com::Variant::array(std::move(items), 1);
}

com::Variant SeriesModel::xValues() const {
    auto chart = chart_.lock();
    if (!chart || xValues_.kind == SeriesData::Kind::None) return {};
    std::vector<com::Variant> items;
    for (ResolvedPoint& p : resolveSeriesData(*chart->workbook(), xValues_).points) items.push_back(std::move(p.value));
    return com::Variant::array(std::move(items), 1);
}

SeriesData SeriesModel::dataOf(const com::Variant& value, bool isName, const char* member) const {
    auto chart = chart_.lock();
    if (!chart) com::throwHostError(std::string("Series.") + member + ": the series has been deleted.");
    SeriesData data;
    auto reference = [&](ChartReference ref) {
        chart->resolveSheets(ref);
        data.kind = SeriesData::Kind::Reference;
        data.reference = std::move(ref);
    };
    switch (value.type()) {
        case com::VarType::Empty:
        case com::VarType::Null:
            return data;
        case com::VarType::Error:
            if (value.isMissing()) return data;
            break;
        case com::VarType::String: {
            const std::string& text = value.asString();
            std::string_view trimmed = text;
            while (!trimmed.empty() && trimmed.front() == ' ') trimmed.remove_prefix(1);
            if (!trimmed.starts_with('=')) {
                if (!isName)
                    com::throwHostError(std::string("Series.") + member + ": \"" + text +
                                        "\" is neither a reference formula (=Data!R2C2:R6C2) nor an array constant "
                                        "(={1,2,3}).");
                data.kind = SeriesData::Kind::Literal;
                data.literal.push_back(text);
                return data;
            }
            if (isName) {
                // ="Text": a formula that is only a text constant names the series with the text.
                std::string_view body = trimmed.substr(1);
                while (!body.empty() && body.front() == ' ') body.remove_prefix(1);
                while (!body.empty() && body.back() == ' ') body.remove_suffix(1);
                if (auto text = quotedText(body)) {
                    data.kind = SeriesData::Kind::Literal;
                    data.literal.push_back(*text);
                    return data;
                }
            }
            if (isArrayConstant(trimmed)) {
                data.kind = SeriesData::Kind::Literal;
                data.literal = parseArrayConstant(trimmed);
                return data;
            }
            reference(parseR1C1Reference(trimmed, chart->defaultReferenceSheet()));
            return data;
        }
        case com::VarType::Array: {
            data.kind = SeriesData::Kind::Literal;
            for (const com::Variant& item : value.asArray()->items) {
                if (item.type() == com::VarType::Array || item.type() == com::VarType::Object)
                    com::throwHostError(std::string("Series.") + member + ": an array of values must hold plain values.");
                double number = 0;
                if (!isName && item.type() == com::VarType::String && com::parseNumericText(item.asString(), number))
                    data.literal.emplace_back(number);
                else
                    data.literal.push_back(item);
            }
            if (isName) {
                std::string joined;
                for (const com::Variant& item : data.literal) joined += literalText(item);
                data.literal = {com::Variant(joined)};
            }
            return data;
        }
        case com::VarType::Object:
            if (auto* range = dynamic_cast<const RangeObject*>(value.asObject().get())) {
                reference(ChartReference{{SheetArea{range->range().worksheet()->name(), range->range().area()}}});
                return data;
            }
            break;
        default:
            data.kind = SeriesData::Kind::Literal;
            data.literal.push_back(isName ? com::Variant(literalText(value)) : com::Variant(com::toDouble(value)));
            return data;
    }
    com::throwHostError(std::string("Series.") + member + ": this kind of value cannot be used.");
}

void SeriesModel::setName(const com::Variant& value) {
    name_ = dataOf(value, true, "Name");
    changed();
}

void SeriesModel::setValues(const com::Variant& value) {
    values_ = dataOf(value, false, "Values");
    changed();
}

void SeriesModel::setXValues(const com::Variant& value) {
    xValues_ = dataOf(value, false, "XValues");
    changed();
}

void SeriesModel::deleteSeries() {
    auto chart = chart_.lock();
    if (!chart) com::throwHostError("Series.Delete: the series has already been deleted.");
    chart->removeSeries(*this);
}

void SeriesModel::applyLabels(const DataLabelFlags& flags) {
    labels_ = flags;
    labelsSet_ = true;
    changed();
}

void SeriesModel::changed() {
    if (auto chart = chart_.lock()) chart->markModified();
}

// ---------------------------------------------------------------------------------------------
// Chart

std::shared_ptr<ChartModel> ChartModel::create(std::weak_ptr<Sheet> sheet, std::weak_ptr<EmbeddedChart> object) {
    std::shared_ptr<ChartModel> model(new ChartModel());
    model->sheet_ = std::move(sheet);
    model->object_ = std::move(object);
    return model;
}

void ChartModel::requireUsable() const { (void)workbook(); }

std::shared_ptr<Workbook> ChartModel::workbook() const {
    auto sheet = sheet_.lock();
    if (!sheet) com::throwHostError("The chart's sheet is gone.");
    return sheet->workbook();
}

std::string ChartModel::name() const {
    if (auto object = object_.lock()) return object->name();
    if (auto sheet = sheet_.lock()) return sheet->name();
    return "";
}

void ChartModel::setName(const std::string& name) {
    if (auto object = object_.lock()) return object->setName(name);
    auto sheet = sheet_.lock();
    if (!sheet) com::throwHostError("The chart's sheet is gone.");
    sheet->setName(name);
}

std::string ChartModel::defaultReferenceSheet() const {
    if (object_.lock())
        if (auto sheet = sheet_.lock()) return sheet->name();
    return "";
}

void ChartModel::resolveSheets(ChartReference& reference) const {
    auto book = workbook();
    for (SheetArea& item : reference.areas) {
        auto sheet = findWorksheet(*book, item.sheet);
        if (!sheet) {
            bool chartSheet = std::any_of(book->sheets().begin(), book->sheets().end(),
                                          [&](const auto& s) { return sameNameIgnoringCase(s->name(), item.sheet); });
            com::throwHostError(chartSheet ? "The reference names '" + item.sheet + "', which is a chart sheet, not a worksheet."
                                           : "The reference names the sheet '" + item.sheet + "', which this workbook does not have.");
        }
        item.sheet = sheet->name();
    }
}

ChartTypeTraits ChartModel::traits() const {
    auto traits = chartTypeTraits(type_);
    if (traits) return *traits;
    // A kind read from a template that cannot be set: describe it by kind alone.
    ChartTypeTraits kept;
    for (PlotKind kind : {PlotKind::Bubble, PlotKind::Surface, PlotKind::Surface3D, PlotKind::Stock}) {
        kept.kind = kind;
        if (chartTypeNumber(kept) == type_) return kept;
    }
    return *chartTypeTraits(charttype::kColumnClustered);
}

void ChartModel::setChartType(int32_t type) {
    requireUsable();
    if (type == type_) return;
    if (!chartTypeTraits(type))
        com::throwHostError("ChartType: " + std::to_string(type) + " is not a chart type this program can draw.");
    type_ = type;
    typeChanged_ = true;
    modified_ = true;
}

void ChartModel::setHasLegend(bool value) {
    requireUsable();
    if (value == hasLegend_) return;
    hasLegend_ = value;
    modified_ = true;
}

void ChartModel::setHasDataTable(bool value) {
    requireUsable();
    if (value == hasDataTable_) return;
    hasDataTable_ = value;
    modified_ = true;
}

void ChartModel::applyDataLabels(int32_t type, bool legendKey) {
    requireUsable();
    DataLabelFlags flags = dataLabelFlagsOf(type, legendKey);
    for (auto& s : series_) s->applyLabels(flags);
}

void ChartModel::setHasTitle(bool value) {
    requireUsable();
    if (value == hasTitle_) return;
    hasTitle_ = value;
    if (!value) title_.clear();
    titleTextChanged_ = true;
    modified_ = true;
}

std::string ChartModel::titleText() const {
    if (!hasTitle_) com::throwHostError("ChartTitle: the chart '" + name() + "' has no title (set HasTitle first).");
    return title_;
}

void ChartModel::setTitleText(const std::string& text) {
    requireUsable();
    if (!hasTitle_) com::throwHostError("ChartTitle: the chart '" + name() + "' has no title (set HasTitle first).");
    if (text == title_ && !titleTextChanged_) return;
    title_ = text;
    titleTextChanged_ = true;
    modified_ = true;
}

std::shared_ptr<Series> ChartModel::item(int32_t index) {
    if (index < 1 || index > count())
        com::throwHostError("SeriesCollection(" + std::to_string(index) + "): the chart has " +
                            std::to_string(count()) + " series.");
    return series_[static_cast<size_t>(index - 1)];
}

std::shared_ptr<Series> ChartModel::newSeries() {
    requireUsable();
    auto series = std::make_shared<SeriesModel>(std::static_pointer_cast<ChartModel>(shared_from_this()));
    series_.push_back(series);
    modified_ = true;
    return series;
}

std::shared_ptr<SeriesModel> ChartModel::loadSeries() {
    auto series = std::make_shared<SeriesModel>(std::static_pointer_cast<ChartModel>(shared_from_this()));
    series_.push_back(series);
    return series;
}

void ChartModel::removeSeries(const SeriesModel& series) {
    auto it = std::find_if(series_.begin(), series_.end(), [&](const auto& s) { return s.get() == &series; });
    if (it == series_.end()) return;
    (*it)->detach();
    series_.erase(it);
    modified_ = true;
}

void ChartModel::markRead(std::string partName) {
    partName_ = std::move(partName);
    modified_ = false;
    typeChanged_ = false;
    titleTextChanged_ = false;
}

}  // namespace tavlora::host
