#pragma once
#include <memory>
#include <string>

#include "host/chart/Chart.h"
#include "host/chart/ChartAnchor.h"

namespace tavlora::host {

class ChartModel;

// A chart object on a worksheet: a name, a place on the sheet and the chart inside.
class EmbeddedChart final : public ChartObject {
public:
    // A new object holding a new chart (a clustered column chart without series).
    static std::shared_ptr<EmbeddedChart> create(std::weak_ptr<Worksheet> sheet, std::string name, ChartAnchor anchor);

    std::string name() const override { return name_; }
    // Any non-empty text up to 255 characters; several objects may share a name, as in the
    // application. Host error otherwise.
    void setName(const std::string& name) override;
    std::shared_ptr<Chart> chart() override;
    const com::DispatchTable& dispatchTable() const override;

    const std::shared_ptr<ChartModel>& model() const { return chart_; }
    const ChartAnchor& anchor() const { return anchor_; }
    void setAnchor(const ChartAnchor& anchor);
    std::shared_ptr<Worksheet> worksheet() const { return sheet_.lock(); }

    // ---- the file layer ----
    // The object's drawing id (cNvPr id), unique within its drawing part; 0 = not yet given.
    uint32_t shapeId() const { return shapeId_; }
    // Position of its anchor among the children of the drawing part it was read from; -1 = new.
    int32_t keptFrame() const { return keptFrame_; }
    // True when name or place differ from the drawing part read (always for a new object).
    bool isModified() const { return modified_; }
    void markRead(uint32_t shapeId, int32_t keptFrame) {
        shapeId_ = shapeId;
        keptFrame_ = keptFrame;
        modified_ = false;
    }
    void setModel(std::shared_ptr<ChartModel> model) { chart_ = std::move(model); }

private:
    EmbeddedChart() = default;

    std::weak_ptr<Worksheet> sheet_;
    std::string name_;
    ChartAnchor anchor_;
    std::shared_ptr<ChartModel> chart_;
    uint32_t shapeId_ = 0;
    int32_t keptFrame_ = -1;
    bool modified_ = true;
};

}  // namespace tavlora::host
