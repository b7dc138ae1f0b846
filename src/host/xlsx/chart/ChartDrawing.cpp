#include "host/xlsx/chart/ChartDrawing.h"

#include <algorithm>

#include "base/XmlDepth.h"
#include "com/Error.h"
#include "host/chart/EmbeddedChart.h"
#include "host/xlsx/DrawingAnchorXml.h"
#include "host/xlsx/chart/ChartXml.h"
#include "host/xlsx/XmlPart.h"
#include "host/xlsx/XmlText.h"

namespace tavlora::host::xlsx {

namespace {

constexpr std::string_view kChartGraphicUri = chartns::kChart;
constexpr std::string_view kNewDrawing =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<xdr:wsDr xmlns:xdr=\"http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing\" "
    "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\"/>";
// The size the application gives a chart sheet's chart (about 9.5 by 6.9 inches).
constexpr int64_t kChartSheetWidthEmu = 8666666;
constexpr int64_t kChartSheetHeightEmu = 6293304;

pugi::xml_node chartElementOf(pugi::xml_node frame) {
    pugi::xml_node data = childByLocalName(childByLocalName(frame, "graphic"), "graphicData");
    std::string_view uri = data.attribute("uri").value();
    if (!data || (uri != kChartGraphicUri && uri != chartns::kStrictChart)) return {};
    return childByLocalName(data, "chart");
}

std::vector<pugi::xml_node> elementChildren(pugi::xml_node parent) {
    std::vector<pugi::xml_node> out;
    for (pugi::xml_node child = parent.first_child(); child; child = child.next_sibling())
        if (child.type() == pugi::node_element) out.push_back(child);
    return out;
}

uint32_t highestShapeId(pugi::xml_node root) {
    uint32_t highest = 1;
    for (pugi::xpath_node found : root.select_nodes("//*[local-name()='cNvPr']"))
        highest = std::max(highest, found.node().attribute("id").as_uint(0));
    return highest;
}

class DrawingEditor {
public:
    explicit DrawingEditor(pugi::xml_document& drawing) : root_(drawing.document_element()), xdr_(""), a_("") {
        if (!root_ || localName(root_.name()) != "wsDr") com::throwHostError("A drawing part holds no drawing (xdr:wsDr).");
        xdr_ = QualifiedNames(std::string(prefixOf(root_.name())));
        std::string drawingPrefix = prefixForNamespace(root_, chartns::kDrawingMain);
        if (drawingPrefix == "?") drawingPrefix = prefixForNamespace(root_, chartns::kStrictDrawingMain);
        if (drawingPrefix == "?") {
            std::string candidate = "a";
            while (root_.attribute(("xmlns:" + candidate).c_str())) candidate += "a";
            root_.append_attribute(("xmlns:" + candidate).c_str()).set_value(std::string(chartns::kDrawingMain).c_str());
            drawingPrefix = candidate + ":";
        }
        a_ = QualifiedNames(drawingPrefix);
        nextShapeId_ = highestShapeId(root_) + 1;
        children_ = elementChildren(root_);
    }

    void update(const EmbeddedChart& object) {
        if (object.keptFrame() < 0 || static_cast<size_t>(object.keptFrame()) >= children_.size()) return;
        pugi::xml_node element = children_[static_cast<size_t>(object.keptFrame())];
        if (!isDrawingAnchor(localName(element.name()))) return;
        writePlacement(element, object.anchor());
        pugi::xml_node properties =
            childByLocalName(childByLocalName(childByLocalName(element, "graphicFrame"), "nvGraphicFramePr"), "cNvPr");
        if (properties) properties.attribute("name").set_value(object.name().c_str());
    }

    void append(const EmbeddedChart& object, const std::string& relationshipId) {
        pugi::xml_node element = root_.append_child(xdr_(anchorName(object.anchor().kind)).c_str());
        writePlacement(element, object.anchor());
        appendFrame(element, object.name(), nextShapeId_++, relationshipId);
        element.append_child(xdr_("clientData").c_str());
    }

    void appendWholeSheet(const std::string& relationshipId) {
        ChartAnchor anchor;
        anchor.kind = ChartAnchor::Kind::Absolute;
        anchor.cx = kChartSheetWidthEmu;
        anchor.cy = kChartSheetHeightEmu;
        pugi::xml_node element = root_.append_child(xdr_("absoluteAnchor").c_str());
        writePlacement(element, anchor);
        appendFrame(element, "Chart 1", nextShapeId_++, relationshipId);
        element.append_child(xdr_("clientData").c_str());
    }

private:
    static std::string_view anchorName(ChartAnchor::Kind kind) {
        switch (kind) {
            case ChartAnchor::Kind::OneCell: return "oneCellAnchor";
            case ChartAnchor::Kind::Absolute: return "absoluteAnchor";
            case ChartAnchor::Kind::TwoCell: break;
        }
        return "twoCellAnchor";
    }

    // The placement children come first in an anchor: from, to / from, ext / pos, ext.
    pugi::xml_node placementChild(pugi::xml_node anchor, std::string_view local, pugi::xml_node after) {
        if (pugi::xml_node existing = childByLocalName(anchor, local)) return existing;
        std::string name = xdr_(local);
        return after ? anchor.insert_child_after(name.c_str(), after) : anchor.prepend_child(name.c_str());
    }

    void writeExtent(pugi::xml_node ext, const ChartAnchor& anchor) {
        ext.remove_attribute("cx");
        ext.remove_attribute("cy");
        ext.append_attribute("cx").set_value(static_cast<long long>(anchor.cx));
        ext.append_attribute("cy").set_value(static_cast<long long>(anchor.cy));
    }

    void writePlacement(pugi::xml_node element, const ChartAnchor& anchor) {
        switch (anchor.kind) {
            case ChartAnchor::Kind::TwoCell: {
                pugi::xml_node from = placementChild(element, "from", {});
                writeAnchorMarker(from, anchor.from);
                writeAnchorMarker(placementChild(element, "to", from), anchor.to);
                break;
            }
            case ChartAnchor::Kind::OneCell: {
                pugi::xml_node from = placementChild(element, "from", {});
                writeAnchorMarker(from, anchor.from);
                writeExtent(placementChild(element, "ext", from), anchor);
                break;
            }
            case ChartAnchor::Kind::Absolute: {
                pugi::xml_node pos = placementChild(element, "pos", {});
                pos.remove_attribute("x");
                pos.remove_attribute("y");
                pos.append_attribute("x").set_value(static_cast<long long>(anchor.x));
                pos.append_attribute("y").set_value(static_cast<long long>(anchor.y));
                writeExtent(placementChild(element, "ext", pos), anchor);
                break;
            }
        }
    }

    void appendFrame(pugi::xml_node anchor, const std::string& name, uint32_t id, const std::string& relationshipId) {
        pugi::xml_node frame = anchor.append_child(xdr_("graphicFrame").c_str());
        frame.append_attribute("macro").set_value("");
        pugi::xml_node nv = frame.append_child(xdr_("nvGraphicFramePr").c_str());
        pugi::xml_node properties = nv.append_child(xdr_("cNvPr").c_str());
        properties.append_attribute("id").set_value(id);
        properties.append_attribute("name").set_value(name.c_str());
        nv.append_child(xdr_("cNvGraphicFramePr").c_str());
        pugi::xml_node transform = frame.append_child(xdr_("xfrm").c_str());
        pugi::xml_node offset = transform.append_child(a_("off").c_str());
        offset.append_attribute("x").set_value(0);
        offset.append_attribute("y").set_value(0);
        pugi::xml_node extent = transform.append_child(a_("ext").c_str());
        extent.append_attribute("cx").set_value(0);
        extent.append_attribute("cy").set_value(0);
        pugi::xml_node data = frame.append_child(a_("graphic").c_str()).append_child(a_("graphicData").c_str());
        data.append_attribute("uri").set_value(std::string(kChartGraphicUri).c_str());
        pugi::xml_node chart = data.append_child("c:chart");
        chart.append_attribute("xmlns:c").set_value(std::string(chartns::kChart).c_str());
        chart.append_attribute("xmlns:r").set_value(std::string(chartns::kRelationships).c_str());
        chart.append_attribute("r:id").set_value(relationshipId.c_str());
    }

    pugi::xml_node root_;
    QualifiedNames xdr_;
    QualifiedNames a_;
    uint32_t nextShapeId_ = 2;
    std::vector<pugi::xml_node> children_;
};

pugi::xml_document parseDrawing(std::string_view xml) {
    pugi::xml_document document;
    pugi::xml_parse_result parsed = document.load_buffer(xml.data(), xml.size(), kPartParseOptions);
    if (!parsed) com::throwHostError(std::string("A drawing part cannot be read: ") + parsed.description());
    if (base::nestsDeeperThan(document)) com::throwHostError("A drawing part cannot be read: its elements nest too deep");
    return document;
}

std::string serialize(const pugi::xml_document& document) {
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
    StringWriter writer(out);
    document.save(writer, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
    return out;
}

}  // namespace

std::vector<DrawingChartFrame> readDrawingChartFrames(const pugi::xml_document& drawing) {
    std::vector<DrawingChartFrame> frames;
    std::vector<pugi::xml_node> children = elementChildren(drawing.document_element());
    for (size_t i = 0; i < children.size(); ++i) {
        pugi::xml_node element = children[i];
        if (!isDrawingAnchor(localName(element.name()))) continue;
        pugi::xml_node frame = childByLocalName(element, "graphicFrame");
        pugi::xml_node chart = chartElementOf(frame);
        if (!chart) continue;
        DrawingChartFrame found;
        found.frameIndex = static_cast<int32_t>(i);
        found.anchor = readDrawingAnchor(element);
        pugi::xml_node properties = childByLocalName(childByLocalName(frame, "nvGraphicFramePr"), "cNvPr");
        found.name = properties.attribute("name").value();
        found.shapeId = properties.attribute("id").as_uint(0);
        found.chartRelationshipId = prefixedAttribute(chart, "id").value();
        frames.push_back(std::move(found));
    }
    return frames;
}

std::string worksheetDrawingXml(std::string_view original, const std::vector<std::shared_ptr<ChartObject>>& objects,
                                const std::unordered_map<const EmbeddedChart*, std::string>& newRelationshipIds) {
    pugi::xml_document drawing = parseDrawing(original.empty() ? kNewDrawing : original);
    DrawingEditor editor(drawing);
    for (const auto& object : objects) {
        const auto& chart = static_cast<const EmbeddedChart&>(*object);
        auto id = newRelationshipIds.find(&chart);
        if (id != newRelationshipIds.end()) editor.append(chart, id->second);
        else editor.update(chart);
    }
    return serialize(drawing);
}

std::string chartSheetDrawingXml(const std::string& chartRelationshipId) {
    pugi::xml_document drawing = parseDrawing(kNewDrawing);
    DrawingEditor(drawing).appendWholeSheet(chartRelationshipId);
    return serialize(drawing);
}

std::string chartSheetXml(const std::string& drawingRelationshipId, bool selected, std::string_view mainNamespace,
                          std::string_view relationshipsNamespace) {
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<chartsheet xmlns=\"";
    appendEscapedAttribute(out, mainNamespace);
    out += "\" xmlns:r=\"";
    appendEscapedAttribute(out, relationshipsNamespace);
    out += "\"><sheetPr/><sheetViews><sheetView";
    if (selected) out += " tabSelected=\"1\"";
    out += " zoomToFit=\"1\" workbookViewId=\"0\"/></sheetViews>"
           "<pageMargins left=\"0.7\" right=\"0.7\" top=\"0.75\" bottom=\"0.75\" header=\"0.3\" footer=\"0.3\"/>"
           "<drawing r:id=\"";
    appendEscapedAttribute(out, drawingRelationshipId);
    out += "\"/></chartsheet>";
    return out;
}

}  // namespace tavlora::host::xlsx
