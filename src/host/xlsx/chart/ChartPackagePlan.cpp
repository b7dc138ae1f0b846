#include "host/xlsx/KeptSheetXml.h"
#include "host/xlsx/chart/ChartPackagePlan.h"

#include "com/Error.h"
#include "host/chart/ChartModel.h"
#include "host/chart/ChartSheet.h"
#include "host/chart/EmbeddedChart.h"
#include "host/Workbook.h"
#include "host/Worksheet.h"
#include "host/xlsx/chart/ChartDrawing.h"
#include "host/xlsx/chart/ChartPartWriter.h"
#include "host/xlsx/chart/ChartXml.h"
#include "host/xlsx/Package.h"
#include "host/xlsx/XmlPart.h"
#include "host/xlsx/ZipInput.h"

namespace tavlora::host::xlsx {

namespace {

// Parts written for a strict package name the strict namespaces; the writers speak transitional.
std::string inPackageNamespaces(std::string xml, bool strict) {
    if (!strict) return xml;
    static constexpr std::pair<std::string_view, std::string_view> kStrict[] = {
        {chartns::kChart, chartns::kStrictChart},
        {chartns::kDrawingMain, chartns::kStrictDrawingMain},
        {chartns::kSpreadsheetDrawing, chartns::kStrictSpreadsheetDrawing},
        {chartns::kRelationships, chartns::kStrictRelationships},
    };
    for (const auto& [transitional, strictUri] : kStrict) {
        std::string quoted = "\"" + std::string(transitional) + "\"";
        std::string replacement = "\"" + std::string(strictUri) + "\"";
        for (size_t at = xml.find(quoted); at != std::string::npos; at = xml.find(quoted, at + replacement.size()))
            xml.replace(at, quoted.size(), replacement);
    }
    return xml;
}

}  // namespace

ChartPartsPlan::ChartPartsPlan(const Workbook& workbook, const PackageContents& kept, NameAllocator freePartName)
    : workbook_(workbook), kept_(kept), freePartName_(std::move(freePartName)) {}

void ChartPartsPlan::planSheet(const Sheet& sheet, const std::string& part, bool isNew) {
    if (sheet.kind() == SheetKind::ChartSheet) planChartSheet(sheet, part, isNew);
    else planWorksheet(static_cast<const Worksheet&>(sheet), part, isNew);
}

std::string ChartPartsPlan::newPart(const std::string& stem, std::string_view contentType) {
    std::string name = freePartName_(stem, ".xml");
    newParts_.push_back(name);
    contentTypes_.emplace_back(name, contentType);
    return name;
}

void ChartPartsPlan::addJob(const std::string& part, Job job) { jobs_[asciiLower(part)] = std::move(job); }

std::string ChartPartsPlan::addNewChart(const ChartModel& chart, const std::string& source, RelationshipList& rels) {
    std::string part = newPart("xl/charts/chart", contenttype::kChart);
    std::string id = freeRelationshipId(rels);
    rels.push_back({id, kept_.relationshipType("chart"), relativeTarget(source, part), false});
    Job job;
    job.kind = Job::Kind::Chart;
    job.chart = &chart;
    job.basePart = chart.partName();
    addJob(part, std::move(job));
    return id;
}

std::string ChartPartsPlan::keptDrawingOf(const Worksheet& sheet, const std::string& part) const {
    pugi::xml_node drawing = childByLocalName(keptSheetRoot(sheet), "drawing");
    if (!drawing) return "";
    const RelationshipList* list = kept_.relationshipsOf(part);
    std::string id = prefixedAttribute(drawing, "id").value();
    if (!list) return "";
    for (const Relationship& r : *list) {
        if (r.id != id || r.external) continue;
        std::string target = resolveTarget(part, r.target);
        const PackagePart* kept = kept_.findPart(target);
        return kept && !kept->regenerated ? kept->name : "";
    }
    return "";
}

void ChartPartsPlan::planWorksheet(const Worksheet& sheet, const std::string& part, bool isNew) {
    const auto& objects = sheet.chartObjects();
    if (objects.empty()) return;
    std::string drawing = isNew ? "" : keptDrawingOf(sheet, part);
    Job drawingJob;
    drawingJob.kind = Job::Kind::WorksheetDrawing;
    drawingJob.worksheet = &sheet;
    drawingJob.basePart = drawing;
    RelationshipList drawingRels;

    if (drawing.empty()) {
        // A drawing of its own for the sheet, and every chart in a new part.
        drawing = newPart("xl/drawings/drawing", contenttype::kDrawing);
        RelationshipList sheetRels;
        if (!isNew)
            if (const RelationshipList* list = kept_.relationshipsOf(part)) sheetRels = *list;
        std::string id = freeRelationshipId(sheetRels);
        sheetRels.push_back({id, kept_.relationshipType("drawing"), relativeTarget(part, drawing), false});
        relationships_[asciiLower(part)] = std::move(sheetRels);
        newDrawingIds_[&sheet] = id;
        for (const auto& object : objects) {
            const auto& chart = static_cast<const EmbeddedChart&>(*object);
            drawingJob.newFrames[&chart] = addNewChart(*chart.model(), drawing, drawingRels);
        }
        relationships_[asciiLower(drawing)] = std::move(drawingRels);
        addJob(drawing, std::move(drawingJob));
        return;
    }

    if (const RelationshipList* list = kept_.relationshipsOf(drawing)) drawingRels = *list;
    bool drawingChanged = false;
    for (const auto& object : objects) {
        const auto& chart = static_cast<const EmbeddedChart&>(*object);
        const ChartModel& model = *chart.model();
        if (chart.keptFrame() < 0) {
            drawingJob.newFrames[&chart] = addNewChart(model, drawing, drawingRels);
            drawingChanged = true;
            continue;
        }
        drawingChanged = drawingChanged || chart.isModified();
        if (model.isModified() && !model.partName().empty()) {
            Job job;
            job.kind = Job::Kind::Chart;
            job.chart = &model;
            job.basePart = model.partName();
            addJob(model.partName(), std::move(job));
        }
    }
    if (!drawingChanged) return;
    if (!drawingJob.newFrames.empty()) relationships_[asciiLower(drawing)] = std::move(drawingRels);
    addJob(drawing, std::move(drawingJob));
}

void ChartPartsPlan::planChartSheet(const Sheet& sheet, const std::string& part, bool isNew) {
    const auto& chartSheet = static_cast<const ChartSheet&>(sheet);
    const auto& model = chartSheet.chartModel();
    if (!model) return;
    if (!isNew) {
        // A chart sheet read from the file keeps its sheet and drawing parts; only its chart
        // part changes, and only when the chart did.
        if (model->isModified() && !model->partName().empty()) {
            Job job;
            job.kind = Job::Kind::Chart;
            job.chart = model.get();
            job.basePart = model->partName();
            addJob(model->partName(), std::move(job));
        }
        return;
    }
    contentTypes_.emplace_back(part, contenttype::kChartsheet);
    std::string drawing = newPart("xl/drawings/drawing", contenttype::kDrawing);
    RelationshipList sheetRels{{"rId1", kept_.relationshipType("drawing"), relativeTarget(part, drawing), false}};
    relationships_[asciiLower(part)] = std::move(sheetRels);
    Job sheetJob;
    sheetJob.kind = Job::Kind::ChartSheet;
    sheetJob.relationshipId = "rId1";
    auto active = workbook_.activeSheet();
    sheetJob.selected = active.get() == &sheet;
    addJob(part, std::move(sheetJob));

    RelationshipList drawingRels;
    Job drawingJob;
    drawingJob.kind = Job::Kind::ChartSheetDrawing;
    drawingJob.relationshipId = addNewChart(*model, drawing, drawingRels);
    relationships_[asciiLower(drawing)] = std::move(drawingRels);
    addJob(drawing, std::move(drawingJob));
}

// A save whose charts all stay as read asks both of every part it writes: the empty plan answers
// without a lower-case copy of the name.
const RelationshipList* ChartPartsPlan::relationshipsOf(std::string_view part) const {
    if (relationships_.empty()) return nullptr;
    auto it = relationships_.find(asciiLower(part));
    return it == relationships_.end() ? nullptr : &it->second;
}

bool ChartPartsPlan::writes(std::string_view part) const { return !jobs_.empty() && jobs_.count(asciiLower(part)) != 0; }

std::string ChartPartsPlan::keptBytes(const std::string& part) const {
    if (part.empty()) return {};
    const PackagePart* kept = kept_.findPart(part);
    return kept && !kept->regenerated ? kept->unpacked() : std::string();
}

std::string ChartPartsPlan::partXml(std::string_view part) const {
    auto it = jobs_.find(asciiLower(part));
    if (it == jobs_.end()) com::throwHostError("Cannot save: no chart plan for part '" + std::string(part) + "'");
    const Job& job = it->second;
    switch (job.kind) {
        case Job::Kind::Chart: return inPackageNamespaces(chartPartXml(*job.chart, keptBytes(job.basePart)), kept_.strict);
        case Job::Kind::WorksheetDrawing:
            return inPackageNamespaces(
                worksheetDrawingXml(keptBytes(job.basePart), job.worksheet->chartObjects(), job.newFrames), kept_.strict);
        case Job::Kind::ChartSheetDrawing: return inPackageNamespaces(chartSheetDrawingXml(job.relationshipId), kept_.strict);
        case Job::Kind::ChartSheet:
            return chartSheetXml(job.relationshipId, job.selected, kept_.mainNamespace(), kept_.relationshipsNamespace());
    }
    return {};
}

std::string ChartPartsPlan::newDrawingRelationship(const Sheet& sheet) const {
    auto it = newDrawingIds_.find(&sheet);
    return it == newDrawingIds_.end() ? std::string() : it->second;
}

}  // namespace tavlora::host::xlsx
