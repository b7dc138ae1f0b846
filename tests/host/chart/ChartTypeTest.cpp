#include "support/ChartTestSupport.h"
#include "host/chart/ChartType.h"
#include "host/xlsx/chart/ChartPartReader.h"
#include "host/xlsx/chart/ChartPartWriter.h"

namespace tavlora::host::test {
namespace {

// Every chart-type number this program draws, by family.
const std::vector<int32_t> kSettableTypes = {
    51, 52, 53, 57, 58, 59,                         // columns and bars
    54, 55, 56, -4100, 60, 61, 62,                  // 3-D columns and bars
    92, 93, 94, 95, 96, 97, 98,                     // cylinders
    99, 100, 101, 102, 103, 104, 105,               // cones
    106, 107, 108, 109, 110, 111, 112,              // pyramids
    4, 63, 64, 65, 66, 67, -4101,                   // lines
    5, 69, -4102, 70, 68, 71, -4120, 80,            // pies and doughnuts
    1, 76, 77, -4098, 78, 79,                       // areas
    -4169, 72, 73, 74, 75,                          // scatter
    -4151, 81, 82,                                  // radar
};

class ChartTypes : public ChartFixture {
protected:
    // The chart part written for a chart of `type` with two series.
    std::string writtenPart(int32_t type) {
        auto chart = addEmbedded(data)->chart();
        chart->setChartType(type);
        for (const char* column : {"R2C2:R4C2", "R2C3:R4C3"}) {
            auto s = chart->seriesCollection().newSeries();
            s->setValues(std::string("=Data!") + column);
            s->setXValues("=Data!R2C1:R4C1");
        }
        return xlsx::chartPartXml(model(chart), "");
    }

    // The type a chart part reads back as.
    int32_t readBack(const std::string& part) {
        pugi::xml_document document;
        EXPECT_TRUE(document.load_string(part.c_str()));
        auto fresh = addEmbedded(data);
        xlsx::readChartPart(document, *book, *fresh->model(), "xl/charts/chart9.xml");
        return fresh->model()->chartType();
    }
};

TEST_F(ChartTypes, EveryDrawableTypeReadsBackAsItself) {
    for (int32_t type : kSettableTypes) {
        ASSERT_TRUE(chartTypeTraits(type)) << type;
        EXPECT_EQ(readBack(writtenPart(type)), type) << "chart type " << type;
    }
}

TEST_F(ChartTypes, NoTwoNumbersDrawAlike) {
    for (size_t i = 0; i < kSettableTypes.size(); ++i)
        for (size_t j = i + 1; j < kSettableTypes.size(); ++j)
            EXPECT_FALSE(*chartTypeTraits(kSettableTypes[i]) == *chartTypeTraits(kSettableTypes[j]))
                << kSettableTypes[i] << " and " << kSettableTypes[j];
}

TEST_F(ChartTypes, DrawingOfFamilies) {
    auto has = [](const std::string& xml, const std::string& piece) { return xml.find(piece) != std::string::npos; };
    std::string column = writtenPart(51);
    EXPECT_TRUE(has(column, "<c:barChart><c:barDir val=\"col\"/><c:grouping val=\"clustered\"/>"));
    EXPECT_TRUE(has(column, "<c:catAx>") && has(column, "<c:valAx>"));

    std::string stackedBars = writtenPart(59);
    EXPECT_TRUE(has(stackedBars, "<c:barDir val=\"bar\"/><c:grouping val=\"percentStacked\"/>"));
    EXPECT_TRUE(has(stackedBars, "<c:overlap val=\"100\"/>"));
    EXPECT_TRUE(has(stackedBars, "<c:axPos val=\"l\"/>"));  // the category axis stands on the left

    std::string column3D = writtenPart(-4100);
    EXPECT_TRUE(has(column3D, "<c:bar3DChart>") && has(column3D, "<c:grouping val=\"standard\"/>"));
    EXPECT_TRUE(has(column3D, "<c:serAx>") && has(column3D, "<c:view3D>"));
    EXPECT_TRUE(has(writtenPart(99), "<c:shape val=\"cone\"/>"));

    std::string lineNoMarkers = writtenPart(4);
    EXPECT_TRUE(has(lineNoMarkers, "<c:marker><c:symbol val=\"none\"/></c:marker>"));
    EXPECT_FALSE(has(writtenPart(65), "<c:symbol val=\"none\"/>"));

    std::string pie = writtenPart(5);
    EXPECT_TRUE(has(pie, "<c:pieChart><c:varyColors val=\"1\"/>"));
    EXPECT_FALSE(has(pie, "<c:catAx>"));  // a pie has no axes
    EXPECT_TRUE(has(writtenPart(69), "<c:explosion val=\"25\"/>"));
    EXPECT_TRUE(has(writtenPart(-4102), "<c:pie3DChart>"));
    EXPECT_TRUE(has(writtenPart(71), "<c:ofPieChart><c:ofPieType val=\"bar\"/>"));
    EXPECT_TRUE(has(writtenPart(-4120), "<c:holeSize val=\"50\"/>"));

    std::string scatter = writtenPart(-4169);
    EXPECT_TRUE(has(scatter, "<c:xVal>") && has(scatter, "<c:yVal>") && !has(scatter, "<c:cat>"));
    EXPECT_TRUE(has(scatter, "<a:noFill/>"));  // points without lines
    std::string smoothLines = writtenPart(73);
    EXPECT_TRUE(has(smoothLines, "<c:scatterStyle val=\"smoothMarker\"/>") && has(smoothLines, "<c:smooth val=\"1\"/>"));

    EXPECT_TRUE(has(writtenPart(82), "<c:radarStyle val=\"filled\"/>"));
    EXPECT_TRUE(has(writtenPart(77), "<c:areaChart><c:grouping val=\"percentStacked\"/>"));
}

TEST_F(ChartTypes, UnknownNumbersAreRefusedAndTheTypeStays) {
    auto chart = addEmbedded(data)->chart();
    EXPECT_EQ(chart->chartType(), 51);  // a new chart is a clustered column chart
    chart->setChartType(-4102);
    for (int32_t unknown : {0, -1, 2, 999, 15 /* bubbles */, 83 /* surface */, 88 /* stock */}) {
        expectHostError([&] { chart->setChartType(unknown); }, std::to_string(unknown));
        EXPECT_EQ(chart->chartType(), -4102);
    }
}

TEST_F(ChartTypes, SameTypeAgainChangesNothing) {
    auto object = addEmbedded(data);
    object->model()->markRead("xl/charts/chart1.xml");
    object->chart()->setChartType(51);
    EXPECT_FALSE(object->model()->isModified());
    object->chart()->setChartType(52);
    EXPECT_TRUE(object->model()->isModified());
    EXPECT_TRUE(object->model()->typeChanged());
}

TEST(ChartTypeTable, KindsOfElements) {
    EXPECT_EQ(plotElementName(PlotKind::Doughnut), "doughnutChart");
    EXPECT_EQ(plotKindOfElement("bar3DChart"), PlotKind::Bar3D);
    EXPECT_FALSE(plotKindOfElement("catAx"));
    // A drawing whose exact type has no number falls back to the first of its kind.
    ChartTypeTraits flatStandardBars;
    flatStandardBars.kind = PlotKind::Bar3D;
    flatStandardBars.horizontal = true;
    flatStandardBars.grouping = Grouping::Standard;
    EXPECT_EQ(chartTypeNumber(flatStandardBars), 54);
    ChartTypeTraits bubbles;
    bubbles.kind = PlotKind::Bubble;
    EXPECT_EQ(chartTypeNumber(bubbles), 15);
}

}  // namespace
}  // namespace tavlora::host::test
