#pragma once
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "host/xlsx/Relationships.h"

namespace tavlora::host {
class EmbeddedChart;
class ChartModel;
class Sheet;
class Workbook;
class Worksheet;
}  // namespace tavlora::host

namespace tavlora::host::xlsx {

class PackageContents;

namespace contenttype {
constexpr std::string_view kChartsheet = "application/vnd.openxmlformats-officedocument.spreadsheetml.chartsheet+xml";
constexpr std::string_view kDrawing = "application/vnd.openxmlformats-officedocument.drawing+xml";
constexpr std::string_view kChart = "application/vnd.openxmlformats-officedocument.drawingml.chart+xml";
}  // namespace contenttype

// What one save writes for charts, decided before the first byte: the chart parts of charts that
// changed or are new, the drawing parts that place them, new chart sheet parts, and the
// relationships and content types these need. A chart nothing changed keeps its part byte for
// byte; a drawing whose chart objects kept their names and places keeps its part too.
class ChartPartsPlan {
public:
    // Gives a part name no other part has or will have ("xl/charts/chart" + N + ".xml").
    using NameAllocator = std::function<std::string(const std::string& stem, const std::string& extension)>;

    ChartPartsPlan(const Workbook& workbook, const PackageContents& kept, NameAllocator freePartName);

    // Once for every sheet the save writes: its part, and whether that part is new.
    void planSheet(const Sheet& sheet, const std::string& part, bool isNew);

    // The relationships of a part as this save writes them, where the plan changes them.
    const RelationshipList* relationshipsOf(std::string_view part) const;
    // Whether the plan gives any part relationships of its own.
    bool plansRelationships() const { return !relationships_.empty(); }
    // True for a part whose text the plan gives (new, or changed).
    bool writes(std::string_view part) const;
    // The text of such a part. Host error when a chart cannot be written.
    std::string partXml(std::string_view part) const;
    const std::vector<std::string>& newParts() const { return newParts_; }
    const std::vector<std::pair<std::string, std::string_view>>& newContentTypes() const { return contentTypes_; }
    // The r:id of the <drawing> element a worksheet part must gain (it had no drawing); "" when none.
    std::string newDrawingRelationship(const Sheet& sheet) const;

private:
    struct Job {
        enum class Kind : uint8_t { Chart, WorksheetDrawing, ChartSheetDrawing, ChartSheet };
        Kind kind = Kind::Chart;
        const ChartModel* chart = nullptr;
        const Worksheet* worksheet = nullptr;
        std::string basePart;      // Chart: the part the chart was read from; WorksheetDrawing: the drawing as read
        std::string relationshipId;  // ChartSheetDrawing: the chart; ChartSheet: the drawing
        bool selected = false;
        std::unordered_map<const EmbeddedChart*, std::string> newFrames;
    };

    void planWorksheet(const Worksheet& sheet, const std::string& part, bool isNew);
    void planChartSheet(const Sheet& sheet, const std::string& part, bool isNew);
    std::string keptDrawingOf(const Worksheet& sheet, const std::string& part) const;
    std::string newPart(const std::string& stem, std::string_view contentType);
    // A new chart part for `chart` reached from `source` through a new relationship in `rels`.
    std::string addNewChart(const ChartModel& chart, const std::string& source, RelationshipList& rels);
    void addJob(const std::string& part, Job job);
    std::string keptBytes(const std::string& part) const;

    const Workbook& workbook_;
    const PackageContents& kept_;
    NameAllocator freePartName_;
    std::unordered_map<std::string, Job> jobs_;  // lower-case part name
    std::unordered_map<std::string, RelationshipList> relationships_;
    std::unordered_map<const Sheet*, std::string> newDrawingIds_;
    std::vector<std::string> newParts_;
    std::vector<std::pair<std::string, std::string_view>> contentTypes_;
};

}  // namespace tavlora::host::xlsx
