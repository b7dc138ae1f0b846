#include "host/files/PageExtrasReader.h"

#include <cstdlib>
#include <memory>
#include <optional>

#include <pugixml.hpp>

#include "base/Ascii.h"
#include "host/chart/ChartModel.h"
#include "host/chart/ChartSheet.h"
#include "host/chart/EmbeddedChart.h"
#include "host/Workbook.h"
#include "host/Worksheet.h"
#include "host/xlsx/DrawingAnchorXml.h"
#include "host/xlsx/KeptSheetXml.h"
#include "host/xlsx/Package.h"
#include "host/xlsx/XmlPart.h"

namespace tavlora::host::files {

namespace {

// A relationship's type ends in its kind, whatever the namespace (transitional or strict).
const xlsx::Relationship* relationshipOfKind(const xlsx::PackageContents& package, std::string_view source,
                                             std::string_view kind) {
    const xlsx::RelationshipList* list = package.relationshipsOf(source);
    if (!list) return nullptr;
    for (const xlsx::Relationship& r : *list)
        if (!r.external && r.type.ends_with("/" + std::string(kind))) return &r;
    return nullptr;
}

const xlsx::Relationship* relationshipWithId(const xlsx::PackageContents& package, std::string_view source,
                                             std::string_view id) {
    const xlsx::RelationshipList* list = package.relationshipsOf(source);
    if (!list) return nullptr;
    for (const xlsx::Relationship& r : *list)
        if (!r.external && r.id == id) return &r;
    return nullptr;
}

// A kept part parsed; a damaged part reads as none, since the page can do without it.
std::optional<pugi::xml_document> parsedPart(const xlsx::PackageContents& package, const std::string& name) {
    const xlsx::PackagePart* part = package.findPart(name);
    if (!part) return std::nullopt;
    // Parts the engine does not model are held packed; the page is one of their few readers.
    std::string bytes = part->unpacked();
    std::optional<pugi::xml_document> document(std::in_place);
    if (!document->load_buffer(bytes.data(), bytes.size(), xlsx::kPartParseOptions)) return std::nullopt;
    return document;
}

std::string titleOf(const xlsx::PackageContents& package) {
    const xlsx::Relationship* core = relationshipOfKind(package, "", "core-properties");
    if (!core) return "";
    auto document = parsedPart(package, xlsx::resolveTarget("", core->target));
    if (!document) return "";
    pugi::xml_node title = xlsx::childByLocalName(document->document_element(), "title");
    return title.text().get();
}

// The rows a frozen pane keeps in view (its vertical split); 0 for none or a movable split.
int32_t frozenRowsOf(const Worksheet& sheet) {
    pugi::xml_node views = xlsx::childByLocalName(xlsx::keptSheetRoot(sheet), "sheetViews");
    pugi::xml_node pane = xlsx::childByLocalName(xlsx::childByLocalName(views, "sheetView"), "pane");
    std::string_view state = pane.attribute("state").as_string();
    if (state != "frozen" && state != "frozenSplit") return 0;
    double rows = pane.attribute("ySplit").as_double();
    return rows >= 1 && rows < 1048576 ? static_cast<int32_t>(rows) : 0;
}

// Whether the sheet's first view shows gridlines (it does unless it says otherwise).
bool showsGridLines(const Worksheet& sheet) {
    pugi::xml_node views = xlsx::childByLocalName(xlsx::keptSheetRoot(sheet), "sheetViews");
    return xlsx::childByLocalName(views, "sheetView").attribute("showGridLines").as_bool(true);
}

// A scheme colour is given outright or as a system colour with the value last seen.
std::optional<uint32_t> schemeColor(pugi::xml_node entry) {
    if (auto rgb = xlsx::childByLocalName(entry, "srgbClr")) {
        if (auto val = rgb.attribute("val")) return static_cast<uint32_t>(std::strtoul(val.value(), nullptr, 16)) & 0xFFFFFF;
    }
    if (auto system = xlsx::childByLocalName(entry, "sysClr")) {
        if (auto last = system.attribute("lastClr")) return static_cast<uint32_t>(std::strtoul(last.value(), nullptr, 16)) & 0xFFFFFF;
    }
    return std::nullopt;
}

// The workbook theme's colour scheme; colours it lacks keep those of a new workbook's theme.
ThemeColors themeColorsOf(const xlsx::PackageContents& package) {
    static constexpr const char* kSchemeOrder[] = {"dk1", "lt1", "dk2", "lt2", "accent1", "accent2",
                                                   "accent3", "accent4", "accent5", "accent6", "hlink", "folHlink"};
    ThemeColors colors = defaultThemeColors();
    const xlsx::Relationship* workbook = relationshipOfKind(package, "", "officeDocument");
    if (!workbook) return colors;
    std::string workbookPart = xlsx::resolveTarget("", workbook->target);
    const xlsx::Relationship* theme = relationshipOfKind(package, workbookPart, "theme");
    if (!theme) return colors;
    auto document = parsedPart(package, xlsx::resolveTarget(workbookPart, theme->target));
    if (!document) return colors;
    pugi::xml_node elements = xlsx::childByLocalName(document->document_element(), "themeElements");
    pugi::xml_node scheme = xlsx::childByLocalName(elements, "clrScheme");
    for (size_t i = 0; i < colors.size(); ++i)
        if (auto rgb = schemeColor(xlsx::childByLocalName(scheme, kSchemeOrder[i]))) colors[i] = *rgb;
    return colors;
}

// Only picture types a browser shows and that cannot carry script.
std::string mediaTypeOf(const std::string& partName) {
    std::string name = base::asciiLower(partName);
    if (name.ends_with(".png")) return "image/png";
    if (name.ends_with(".jpg") || name.ends_with(".jpeg")) return "image/jpeg";
    if (name.ends_with(".gif")) return "image/gif";
    if (name.ends_with(".bmp")) return "image/bmp";
    return "";
}

std::optional<html::PagePicture> pictureOf(const xlsx::PackageContents& package, const std::string& drawingPart,
                                           pugi::xml_node anchor) {
    pugi::xml_node picture = xlsx::childByLocalName(anchor, "pic");
    if (!picture) return std::nullopt;
    pugi::xml_node blip = xlsx::childByLocalName(xlsx::childByLocalName(picture, "blipFill"), "blip");
    const xlsx::Relationship* image =
        relationshipWithId(package, drawingPart, xlsx::prefixedAttribute(blip, "embed").as_string());
    if (!image) return std::nullopt;
    std::string partName = xlsx::resolveTarget(drawingPart, image->target);
    const xlsx::PackagePart* part = package.findPart(partName);
    std::string mediaType = mediaTypeOf(partName);
    if (!part || mediaType.empty()) return std::nullopt;
    html::PagePicture out;
    out.anchor = xlsx::readDrawingAnchor(anchor);
    out.mediaType = std::move(mediaType);
    out.bytes = part->unpacked();
    pugi::xml_node properties = xlsx::childByLocalName(xlsx::childByLocalName(picture, "nvPicPr"), "cNvPr");
    out.description = properties.attribute("descr").as_string();
    return out;
}

std::vector<html::PagePicture> picturesOf(const xlsx::PackageContents& package, const Worksheet& sheet) {
    std::vector<html::PagePicture> pictures;
    if (sheet.partName().empty()) return pictures;
    const xlsx::Relationship* drawing = relationshipOfKind(package, sheet.partName(), "drawing");
    if (!drawing) return pictures;
    std::string drawingPart = xlsx::resolveTarget(sheet.partName(), drawing->target);
    auto document = parsedPart(package, drawingPart);
    if (!document) return pictures;
    for (pugi::xml_node anchor : document->document_element().children()) {
        if (!xlsx::isDrawingAnchor(xlsx::localName(anchor.name()))) continue;
        if (auto picture = pictureOf(package, drawingPart, anchor)) pictures.push_back(std::move(*picture));
    }
    return pictures;
}

// The template set the chart's category axis to run backwards (maxMin). A chart whose type was set
// since gets new axes, which run forwards.
bool categoriesReversed(const xlsx::PackageContents& package, const ChartModel& chart) {
    if (chart.partName().empty() || chart.typeChanged()) return false;
    auto document = parsedPart(package, chart.partName());
    if (!document) return false;
    pugi::xml_node plotArea =
        xlsx::childByLocalName(xlsx::childByLocalName(document->document_element(), "chart"), "plotArea");
    for (pugi::xml_node axis : plotArea.children()) {
        std::string_view name = xlsx::localName(axis.name());
        if (name != "catAx" && name != "dateAx") continue;
        pugi::xml_node orientation = xlsx::childByLocalName(xlsx::childByLocalName(axis, "scaling"), "orientation");
        return std::string_view(orientation.attribute("val").as_string()) == "maxMin";
    }
    return false;
}

std::vector<const ChartModel*> chartsOf(const Workbook& book) {
    std::vector<const ChartModel*> charts;
    for (const auto& sheet : book.worksheets())
        for (const auto& object : sheet->chartObjects())
            charts.push_back(static_cast<const EmbeddedChart&>(*object).model().get());
    for (const auto& sheet : book.chartSheets())
        if (sheet->chartModel()) charts.push_back(sheet->chartModel().get());
    return charts;
}

}  // namespace

html::PageExtras readPageExtras(const Workbook& book) {
    html::PageExtras extras;
    auto package = std::dynamic_pointer_cast<const xlsx::PackageContents>(book.keptPackage());
    if (package) {
        extras.title = titleOf(*package);
        extras.themeColors = themeColorsOf(*package);
        for (const ChartModel* chart : chartsOf(book))
            if (categoriesReversed(*package, *chart)) extras.reversedCategories.insert(chart);
    }
    for (const auto& sheet : book.worksheets()) {
        html::SheetExtras sheetExtras;
        sheetExtras.frozenRows = frozenRowsOf(*sheet);
        sheetExtras.showGridLines = showsGridLines(*sheet);
        if (package) sheetExtras.pictures = picturesOf(*package, *sheet);
        if (sheetExtras.frozenRows > 0 || !sheetExtras.pictures.empty() || !sheetExtras.showGridLines) extras.sheets.emplace(sheet.get(), std::move(sheetExtras));
    }
    return extras;
}

}  // namespace tavlora::host::files
