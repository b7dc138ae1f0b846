#include "support/ChartTestSupport.h"
#include "host/xlsx/chart/ChartDrawing.h"

namespace tavlora::host::test {
namespace {

// A template drawing: a picture, a one-cell chart, a newer chart kind in a compatibility block
// and an absolutely placed chart.
const std::string kDrawing =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<xdr:wsDr xmlns:xdr=\"http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing\" "
    "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\">"
    "<xdr:twoCellAnchor editAs=\"oneCell\"><xdr:from><xdr:col>0</xdr:col><xdr:colOff>0</xdr:colOff><xdr:row>0</xdr:row>"
    "<xdr:rowOff>0</xdr:rowOff></xdr:from><xdr:to><xdr:col>2</xdr:col><xdr:colOff>0</xdr:colOff><xdr:row>3</xdr:row>"
    "<xdr:rowOff>0</xdr:rowOff></xdr:to><xdr:pic><xdr:nvPicPr><xdr:cNvPr id=\"7\" name=\"Logo\"/><xdr:cNvPicPr/></xdr:nvPicPr>"
    "</xdr:pic><xdr:clientData/></xdr:twoCellAnchor>"
    "<xdr:oneCellAnchor><xdr:from><xdr:col>4</xdr:col><xdr:colOff>12700</xdr:colOff><xdr:row>10</xdr:row>"
    "<xdr:rowOff>25400</xdr:rowOff></xdr:from><xdr:ext cx=\"3810000\" cy=\"2540000\"/>"
    "<xdr:graphicFrame macro=\"\"><xdr:nvGraphicFramePr><xdr:cNvPr id=\"3\" name=\"Sales\"/><xdr:cNvGraphicFramePr/>"
    "</xdr:nvGraphicFramePr><xdr:xfrm><a:off x=\"0\" y=\"0\"/><a:ext cx=\"0\" cy=\"0\"/></xdr:xfrm><a:graphic>"
    "<a:graphicData uri=\"http://schemas.openxmlformats.org/drawingml/2006/chart\"><c:chart "
    "xmlns:c=\"http://schemas.openxmlformats.org/drawingml/2006/chart\" "
    "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\" r:id=\"rId2\"/></a:graphicData>"
    "</a:graphic></xdr:graphicFrame><xdr:clientData/></xdr:oneCellAnchor>"
    "<mc:AlternateContent xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\"><mc:Choice Requires=\"cx1\">"
    "<xdr:twoCellAnchor/></mc:Choice></mc:AlternateContent>"
    "<xdr:absoluteAnchor><xdr:pos x=\"100\" y=\"200\"/><xdr:ext cx=\"300\" cy=\"400\"/><xdr:graphicFrame macro=\"\">"
    "<xdr:nvGraphicFramePr><xdr:cNvPr id=\"12\" name=\"Fixed\"/><xdr:cNvGraphicFramePr/></xdr:nvGraphicFramePr>"
    "<a:graphic><a:graphicData uri=\"http://schemas.openxmlformats.org/drawingml/2006/chart\"><c:chart "
    "xmlns:c=\"http://schemas.openxmlformats.org/drawingml/2006/chart\" "
    "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\" r:id=\"rId9\"/></a:graphicData>"
    "</a:graphic></xdr:graphicFrame><xdr:clientData/></xdr:absoluteAnchor></xdr:wsDr>";

std::vector<xlsx::DrawingChartFrame> framesOf(const std::string& xml) {
    pugi::xml_document document;
    EXPECT_TRUE(document.load_string(xml.c_str()));
    return xlsx::readDrawingChartFrames(document);
}

TEST(ChartDrawingParts, ChartFramesAreFoundWithTheirPlaces) {
    auto frames = framesOf(kDrawing);
    ASSERT_EQ(frames.size(), 2u);  // the picture and the newer chart kind are not charts here
    EXPECT_EQ(frames[0].frameIndex, 1);
    EXPECT_EQ(frames[0].name, "Sales");
    EXPECT_EQ(frames[0].shapeId, 3u);
    EXPECT_EQ(frames[0].chartRelationshipId, "rId2");
    EXPECT_EQ(frames[0].anchor.kind, ChartAnchor::Kind::OneCell);
    EXPECT_EQ(frames[0].anchor.from, (AnchorMarker{4, 12700, 10, 25400}));
    EXPECT_EQ(frames[0].anchor.cx, 3810000);
    EXPECT_EQ(frames[1].frameIndex, 3);
    EXPECT_EQ(frames[1].anchor.kind, ChartAnchor::Kind::Absolute);
    EXPECT_EQ(frames[1].anchor.x, 100);
    EXPECT_EQ(frames[1].anchor.cy, 400);
}

TEST(ChartDrawingParts, AnchorsFollowDeletionsByKind) {
    auto frames = framesOf(kDrawing);
    ChartAnchor oneCell = frames[0].anchor;
    EXPECT_TRUE(shiftAnchor(oneCell, formula::Deletion::rows(2, 3)));
    EXPECT_EQ(oneCell.from.row, 7);
    EXPECT_EQ(oneCell.cx, 3810000);  // the size stays
    EXPECT_FALSE(shiftAnchor(oneCell, formula::Deletion::columns(6, 2)));  // right of it
    ChartAnchor absolute = frames[1].anchor;
    EXPECT_FALSE(shiftAnchor(absolute, formula::Deletion::rows(1, 5)));
    EXPECT_EQ(absolute, frames[1].anchor);
}

class DrawingEdits : public ChartFixture {};

TEST_F(DrawingEdits, KeptFramesAreUpdatedAndNewOnesAppended) {
    auto frames = framesOf(kDrawing);
    auto sales = EmbeddedChart::create(data, frames[0].name, frames[0].anchor);
    sales->markRead(frames[0].shapeId, frames[0].frameIndex);
    auto fixed = EmbeddedChart::create(data, frames[1].name, frames[1].anchor);
    fixed->markRead(frames[1].shapeId, frames[1].frameIndex);
    data->adoptChartObject(sales);
    data->adoptChartObject(fixed);
    sales->setName("Sales & more");
    data->range("1:2").deleteCells();
    auto added = std::static_pointer_cast<EmbeddedChart>(data->addChartObject(0, 0, 96, 30));

    std::string xml = xlsx::worksheetDrawingXml(kDrawing, data->chartObjects(), {{added.get(), "rId10"}});
    auto after = framesOf(xml);
    ASSERT_EQ(after.size(), 3u);
    EXPECT_EQ(after[0].name, "Sales & more");
    EXPECT_EQ(after[0].anchor.from, (AnchorMarker{4, 12700, 8, 25400}));
    EXPECT_EQ(after[0].anchor.kind, ChartAnchor::Kind::OneCell);
    EXPECT_EQ(after[1].anchor, frames[1].anchor);
    EXPECT_EQ(after[2].name, "Chart 1");
    EXPECT_EQ(after[2].chartRelationshipId, "rId10");
    EXPECT_EQ(after[2].shapeId, 13u);  // above every id the drawing had
    EXPECT_EQ(after[2].anchor.to, (AnchorMarker{2, 0, 2, 0}));
    // What is not a chart frame is carried as it was.
    EXPECT_TRUE(contains(xml, "<xdr:cNvPr id=\"7\" name=\"Logo\"/>"));
    EXPECT_TRUE(contains(xml, "<mc:Choice Requires=\"cx1\">"));
    EXPECT_TRUE(contains(xml, "editAs=\"oneCell\""));
}

TEST_F(DrawingEdits, ChartSheetParts) {
    auto frames = framesOf(xlsx::chartSheetDrawingXml("rId1"));
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].anchor.kind, ChartAnchor::Kind::Absolute);
    EXPECT_GT(frames[0].anchor.cx, 0);
    std::string sheet = xlsx::chartSheetXml("rId1", true, "urn:main", "urn:rel&\"");
    EXPECT_TRUE(contains(sheet, "<chartsheet xmlns=\"urn:main\" xmlns:r=\"urn:rel&amp;&quot;\">"));
    EXPECT_TRUE(contains(sheet, "tabSelected=\"1\""));
    EXPECT_TRUE(contains(sheet, "<drawing r:id=\"rId1\"/></chartsheet>"));
    EXPECT_FALSE(contains(xlsx::chartSheetXml("rId1", false, "urn:main", "urn:rel"), "tabSelected"));
}

}  // namespace
}  // namespace tavlora::host::test
