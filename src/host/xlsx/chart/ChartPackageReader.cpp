#include "host/xlsx/KeptSheetXml.h"
#include "host/xlsx/chart/ChartPackageReader.h"

#include <vector>

#include "base/XmlDepth.h"
#include "com/Error.h"
#include "host/chart/ChartModel.h"
#include "host/chart/ChartSheet.h"
#include "host/chart/EmbeddedChart.h"
#include "host/Workbook.h"
#include "host/Worksheet.h"
#include "host/xlsx/chart/ChartDrawing.h"
#include "host/xlsx/chart/ChartPartReader.h"
#include "host/xlsx/Package.h"
#include "host/xlsx/XmlPart.h"

namespace tavlora::host::xlsx {

namespace {

class ChartFinder {
public:
    ChartFinder(const PackageContents& contents, Workbook& workbook, const ParsedChartParts* known,
                ParsedChartParts* learned)
        : contents_(contents), workbook_(workbook), known_(known), learned_(learned) {}

    void readChartSheet(ChartSheet& sheet) {
        std::string drawing;
        if (const ParsedChartPart* part = parseKept(sheet.partName()))
            drawing = drawingPartOf(sheet.partName(), part->document.document_element());
        auto model = ChartModel::create(std::static_pointer_cast<Sheet>(sheet.shared_from_this()));
        sheet.setChartModel(model);
        const ParsedChartPart* drawingPart = drawing.empty() ? nullptr : parseKept(drawing);
        if (!drawingPart) return;
        for (const DrawingChartFrame& frame : drawingPart->frames) {
            std::string chartPart = target(drawing, frame.chartRelationshipId);
            if (loadChart(chartPart, *model)) return;
        }
    }

    void readWorksheet(Worksheet& sheet) {
        std::string drawing = drawingPartOf(sheet.partName(), keptSheetRoot(sheet));
        const ParsedChartPart* drawingPart = drawing.empty() ? nullptr : parseKept(drawing);
        if (!drawingPart) return;
        auto self = std::static_pointer_cast<Worksheet>(sheet.shared_from_this());
        for (const DrawingChartFrame& frame : drawingPart->frames) {
            auto object = EmbeddedChart::create(self, frame.name, frame.anchor);
            if (!loadChart(target(drawing, frame.chartRelationshipId), *object->model())) continue;
            object->markRead(frame.shapeId, frame.frameIndex);
            sheet.adoptChartObject(object);
        }
    }

private:
    // The kept bytes of a part, parsed (or as parsed before from the same package); null when the
    // part is absent or not well-formed. Valid as long as the finder.
    const ParsedChartPart* parseKept(const std::string& name) {
        if (known_) {
            auto found = known_->find(name);
            if (found != known_->end()) return found->second.get();
        }
        const PackagePart* part = name.empty() ? nullptr : contents_.findPart(name);
        if (!part || part->regenerated) return nullptr;
        auto parsed = std::make_shared<ParsedChartPart>();
        std::string bytes = part->unpacked();
        pugi::xml_document& document = parsed->document;
        if (!document.load_buffer(bytes.data(), bytes.size(), kPartParseOptions) || !document.document_element() ||
            base::nestsDeeperThan(document))
            return nullptr;
        parsed->frames = readDrawingChartFrames(document);
        if (learned_) learned_->emplace(name, parsed);
        return parsedHere_.emplace_back(std::move(parsed)).get();
    }

    std::string target(const std::string& source, const std::string& relationshipId) const {
        const RelationshipList* list = contents_.relationshipsOf(source);
        if (!list || relationshipId.empty()) return "";
        for (const Relationship& r : *list)
            if (r.id == relationshipId && !r.external) return resolveTarget(source, r.target);
        return "";
    }

    std::string drawingPartOf(const std::string& sheetPart, pugi::xml_node root) const {
        pugi::xml_node drawing = childByLocalName(root, "drawing");
        if (!drawing) return "";
        return target(sheetPart, prefixedAttribute(drawing, "id").value());
    }

    bool loadChart(const std::string& partName, ChartModel& model) {
        const ParsedChartPart* chart = parseKept(partName);
        if (!chart || localName(chart->document.document_element().name()) != "chartSpace") return false;
        readChartPart(chart->document, workbook_, model, contents_.findPart(partName)->name);
        return true;
    }

    const PackageContents& contents_;
    Workbook& workbook_;
    const ParsedChartParts* known_;
    ParsedChartParts* learned_;
    std::vector<std::shared_ptr<const ParsedChartPart>> parsedHere_;
};

}  // namespace

void readWorkbookCharts(const PackageContents& contents, Workbook& workbook, const ParsedChartParts* known,
                        ParsedChartParts* learned) {
    ChartFinder finder(contents, workbook, known, learned);
    for (const auto& sheet : workbook.sheets()) {
        if (sheet->kind() == SheetKind::ChartSheet) finder.readChartSheet(static_cast<ChartSheet&>(*sheet));
        else finder.readWorksheet(static_cast<Worksheet&>(*sheet));
    }
}

}  // namespace tavlora::host::xlsx
