#include "host/chart/EmbeddedChart.h"

#include <cmath>

#include "base/Utf8.h"
#include "com/Conversions.h"
#include "com/Error.h"
#include "host/chart/ChartModel.h"
#include "host/Worksheet.h"

namespace tavlora::host {

namespace {

constexpr int64_t kMaxObjectNameLength = 255;

bool isChartNumberName(std::string_view name, int32_t& number) {
    constexpr std::string_view kPrefix = "CHART ";
    std::string upper = com::upperCase(name);
    if (!upper.starts_with(kPrefix) || upper.size() == kPrefix.size() || upper.size() > kPrefix.size() + 9) return false;
    number = 0;
    for (char c : std::string_view(upper).substr(kPrefix.size())) {
        if (c < '0' || c > '9') return false;
        number = number * 10 + (c - '0');
    }
    return true;
}

void checkPoints(double value, const char* what) {
    if (!std::isfinite(value)) com::throwHostError(std::string("ChartObjects.Add: ") + what + " is not a number.");
}

}  // namespace

std::shared_ptr<EmbeddedChart> EmbeddedChart::create(std::weak_ptr<Worksheet> sheet, std::string name, ChartAnchor anchor) {
    std::shared_ptr<EmbeddedChart> object(new EmbeddedChart());
    object->sheet_ = sheet;
    object->name_ = std::move(name);
    object->anchor_ = anchor;
    object->chart_ = ChartModel::create(std::weak_ptr<Sheet>(sheet.lock()), object);
    return object;
}

void EmbeddedChart::setName(const std::string& name) {
    if (auto sheet = sheet_.lock()) sheet->requireUsable();
    int64_t length = base::utf16Length(name);
    if (length < 1 || length > kMaxObjectNameLength)
        com::throwHostError("The chart object name '" + name + "' is not allowed: it must be 1 to 255 characters long.");
    if (name == name_) return;
    name_ = name;
    modified_ = true;
}

std::shared_ptr<Chart> EmbeddedChart::chart() {
    if (auto sheet = sheet_.lock()) sheet->requireUsable();
    return chart_;
}

void EmbeddedChart::setAnchor(const ChartAnchor& anchor) {
    if (anchor == anchor_) return;
    anchor_ = anchor;
    modified_ = true;
}

std::shared_ptr<ChartObject> Worksheet::addChartObject(double left, double top, double width, double height) {
    requireUsable();
    checkPoints(left, "Left");
    checkPoints(top, "Top");
    checkPoints(width, "Width");
    checkPoints(height, "Height");
    if (width < 0 || height < 0) com::throwHostError("ChartObjects.Add: the width and height must not be negative.");
    int32_t highest = 0;
    for (const auto& object : chartObjects_) {
        int32_t number = 0;
        if (isChartNumberName(object->name(), number)) highest = std::max(highest, number);
    }
    auto self = std::static_pointer_cast<Worksheet>(shared_from_this());
    auto object = EmbeddedChart::create(self, "Chart " + std::to_string(highest + 1),
                                        anchorFromPoints(*this, PointRect{left, top, width, height}));
    chartObjects_.push_back(object);
    return object;
}

}  // namespace tavlora::host
