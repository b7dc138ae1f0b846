#pragma once
#include <memory>
#include <string>

#include "host/Sheet.h"

namespace tavlora::host {

class Chart;
class ChartModel;

// A sheet that holds one chart. A chart read from a file keeps its part as read until the chart
// changes.
class ChartSheet : public Sheet {
public:
    using Sheet::Sheet;
    SheetKind kind() const override { return SheetKind::ChartSheet; }
    const com::DispatchTable& dispatchTable() const override;

    // The sheet's chart (Workbook.Charts(i) as a Chart); a sheet without one gets a new chart.
    std::shared_ptr<Chart> chart() const;
    // For the file layer: the chart read from the sheet's drawing, or a new one.
    const std::shared_ptr<ChartModel>& chartModel() const { return chart_; }
    void setChartModel(std::shared_ptr<ChartModel> model) { chart_ = std::move(model); }

private:
    mutable std::shared_ptr<ChartModel> chart_;
};

}  // namespace tavlora::host
