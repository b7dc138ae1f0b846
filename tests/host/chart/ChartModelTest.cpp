#include "support/ChartTestSupport.h"
#include <cmath>

#include "com/ObjectCast.h"

namespace tavlora::host::test {
namespace {

std::vector<com::Variant> itemsOf(const com::Variant& array) {
    if (array.type() != com::VarType::Array) return {};
    return array.asArray()->items;
}

std::string a1Of(const SeriesData& data) { return data.kind == SeriesData::Kind::Reference ? data.reference.a1() : "-"; }

// ---- chart sheets and chart objects ----

TEST_F(ChartFixture, ChartSheetsGoBeforeTheActiveSheetWithFreeNames) {
    auto first = book->addChartSheet();
    EXPECT_EQ(first->name(), "Chart1");
    EXPECT_EQ(book->indexOf(*first), 0);  // before Data, the active sheet
    EXPECT_EQ(book->activeSheet(), first);
    auto second = book->addChartSheet();
    EXPECT_EQ(second->name(), "Chart2");
    EXPECT_EQ(book->indexOf(*second), 0);
    book->addWorksheet()->setName("chart3");  // names compare ignoring case
    EXPECT_EQ(book->addChartSheet()->name(), "Chart4");
    auto charts = book->chartSheets();
    ASSERT_EQ(charts.size(), 3u);
    EXPECT_EQ(charts[0]->chart()->name(), "Chart4");

    auto chart = first->chart();
    EXPECT_EQ(chart->chartType(), charttype::kColumnClustered);
    EXPECT_TRUE(chart->hasLegend());
    EXPECT_FALSE(chart->hasTitle());
    EXPECT_FALSE(chart->hasDataTable());
    EXPECT_EQ(chart->seriesCollection().count(), 0);
    chart->setName("Sales chart");  // a chart sheet's chart renames its sheet
    EXPECT_EQ(first->name(), "Sales chart");
    expectHostError([&] { chart->setName("Data"); }, "already named");
    auto after = book->addChartSheet(nullptr, data.get());
    EXPECT_EQ(book->indexOf(*after), book->indexOf(*data) + 1);
}

TEST_F(ChartFixture, ChartObjectsAreNamedAndAnchoredToCells) {
    auto first = addEmbedded(data, 180, 100, 360, 210);
    EXPECT_EQ(first->name(), "Chart 1");
    EXPECT_EQ(first->chart()->name(), "Chart 1");
    EXPECT_EQ(first->chart()->chartType(), 51);
    // Columns of the standard width are 48 points, rows 15 points.
    const ChartAnchor& anchor = first->anchor();
    EXPECT_EQ(anchor.kind, ChartAnchor::Kind::TwoCell);
    EXPECT_EQ(anchor.from, (AnchorMarker{3, 36 * kEmuPerPoint, 6, 10 * kEmuPerPoint}));
    EXPECT_EQ(anchor.to, (AnchorMarker{11, 12 * kEmuPerPoint, 20, 10 * kEmuPerPoint}));
    PointRect rect = anchorRect(*data, anchor);
    EXPECT_DOUBLE_EQ(rect.left, 180);
    EXPECT_DOUBLE_EQ(rect.top, 100);
    EXPECT_DOUBLE_EQ(rect.width, 360);
    EXPECT_DOUBLE_EQ(rect.height, 210);

    // Wider columns and taller rows move the cells a point lies in.
    data->range("A:A").setColumnWidth(30);  // 215 pixels
    data->range("1:1").setRowHeight(60);
    auto second = addEmbedded(data, 200, 70, 10, 10);
    EXPECT_EQ(second->name(), "Chart 2");
    EXPECT_EQ(second->anchor().from.column, 1);
    EXPECT_EQ(second->anchor().from.row, 1);

    first->chart()->setName("Revenue");
    EXPECT_EQ(first->name(), "Revenue");
    EXPECT_EQ(addEmbedded(data)->name(), "Chart 3");
    second->setName("Chart 7");
    EXPECT_EQ(addEmbedded(data)->name(), "Chart 8");
    EXPECT_EQ(data->chartObjects().size(), 4u);

    expectHostError([&] { first->setName(""); }, "1 to 255 characters");
    expectHostError([&] { first->setName(std::string(256, 'x')); }, "1 to 255 characters");
    expectHostError([&] { data->addChartObject(0, 0, -1, 10); }, "must not be negative");
    expectHostError([&] { data->addChartObject(std::nan(""), 0, 1, 10); }, "Left is not a number");
}

TEST_F(ChartFixture, DeletedSheetsRefuseTheirCharts) {
    auto sheet = book->addWorksheet();
    auto object = sheet->addChartObject(0, 0, 100, 100);
    sheet->deleteSheet();
    expectHostError([&] { object->chart(); }, "has been deleted");
    expectHostError([&] { sheet->addChartObject(0, 0, 100, 100); }, "has been deleted");
}

// ---- series ----

TEST_F(ChartFixture, SeriesNames) {
    auto chart = addEmbedded(data)->chart();
    auto first = chart->seriesCollection().newSeries();
    auto second = chart->seriesCollection().newSeries();
    EXPECT_EQ(first->name().asString(), "Series1");
    EXPECT_EQ(second->name().asString(), "Series2");
    first->setName("Revenue");
    EXPECT_EQ(first->name().asString(), "Revenue");
    second->setName("=Data!R1C3");
    EXPECT_EQ(second->name().asString(), "Cost");
    put("C1", "Costs");  // a reference follows its cell
    EXPECT_EQ(second->name().asString(), "Costs");
    second->setName(2024.0);
    EXPECT_EQ(second->name().asString(), "2024");
    second->setName(com::Variant());
    EXPECT_EQ(second->name().asString(), "Series2");
    first->setName("=\"Say \"\"hi\"\"\"");  // a text constant, not a reference
    EXPECT_EQ(first->name().asString(), "Say \"hi\"");
    expectHostError([&] { first->setName("=\"open"); }, "is not valid");
}

TEST_F(ChartFixture, SeriesValuesFromEveryKindOfSource) {
    auto chart = addEmbedded(data)->chart();
    auto s = chart->seriesCollection().newSeries();
    auto& m = static_cast<SeriesModel&>(*s);
    EXPECT_TRUE(s->values().isEmpty());

    s->setValues("={1,2.5,3}");
    auto values = itemsOf(s->values());
    ASSERT_EQ(values.size(), 3u);
    EXPECT_EQ(values[1].asDouble(), 2.5);
    EXPECT_EQ(s->values().asArray()->lowerBound, 1);

    s->setValues(com::Variant::array({com::Variant(4.0), com::Variant(std::string("5")), com::Variant(int32_t{6})}));
    values = itemsOf(s->values());
    ASSERT_EQ(values.size(), 3u);
    EXPECT_EQ(values[1].asDouble(), 5);  // a numeric text becomes a number
    EXPECT_EQ(m.valuesData().kind, SeriesData::Kind::Literal);

    s->setValues(7.5);
    EXPECT_EQ(itemsOf(s->values()).size(), 1u);

    s->setValues("=Data!R2C2:R4C2");
    EXPECT_EQ(a1Of(m.valuesData()), "Data!$B$2:$B$4");
    put("B3", 99.0);
    EXPECT_EQ(itemsOf(s->values())[1].asDouble(), 99);  // read when asked, not when set

    s->setValues(com::Variant(com::ObjectPtr(std::make_shared<RangeObject>(data->range("C2:C4")))));
    EXPECT_EQ(a1Of(m.valuesData()), "Data!$C$2:$C$4");

    expectHostError([&] { s->setValues("1,2,3"); }, "neither a reference formula");
    expectHostError([&] { s->setValues(com::Variant::array({com::Variant::array({com::Variant(1.0)})})); },
                    "must hold plain values");
    EXPECT_EQ(a1Of(m.valuesData()), "Data!$C$2:$C$4");  // unchanged after refusals
}

TEST_F(ChartFixture, CategoriesAsTextsAndUnions) {
    auto chart = addEmbedded(data)->chart();
    auto s = chart->seriesCollection().newSeries();
    s->setXValues(com::Variant::array({com::Variant(std::string("Jan")), com::Variant(std::string("Feb")),
                                       com::Variant(std::string(""))}));
    auto categories = itemsOf(s->xValues());
    ASSERT_EQ(categories.size(), 3u);  // the spare empty label is a category like the others
    EXPECT_EQ(categories[0].asString(), "Jan");
    s->setXValues("=(Data!R2C1,Data!R3C1,Data!R4C1)");
    categories = itemsOf(s->xValues());
    ASSERT_EQ(categories.size(), 3u);
    EXPECT_EQ(categories[2].asString(), "Mar");

    // An error value labels its category with its text, from a constant as from a cell.
    auto& m = static_cast<SeriesModel&>(*s);
    s->setXValues("={\"Jan\",#SPILL!}");
    EXPECT_EQ(resolveSeriesData(*book, m.xValuesData()).points.at(1).text, "#SPILL!");
    put("A3", com::Variant::error(com::hr::runtime(2045)));
    s->setXValues("=Data!R3C1");
    EXPECT_EQ(resolveSeriesData(*book, m.xValuesData()).points.at(0).text, "#SPILL!");
}

TEST_F(ChartFixture, DeletingSeries) {
    auto chart = addEmbedded(data)->chart();
    auto& series = chart->seriesCollection();
    for (int i = 0; i < 3; ++i) series.newSeries()->setName("S" + std::to_string(i + 1));
    series.item(2)->deleteSeries();
    ASSERT_EQ(series.count(), 2);
    EXPECT_EQ(series.item(2)->name().asString(), "S3");
    auto gone = series.item(1);
    gone->deleteSeries();
    expectHostError([&] { gone->deleteSeries(); }, "already been deleted");
    expectHostError([&] { gone->setValues("={1}"); }, "has been deleted");
    expectHostError([&] { series.item(2); }, "the chart has 1 series");
    expectHostError([&] { series.item(0); }, "SeriesCollection(0)");
}

// ---- SetSourceData ----

TEST_F(ChartFixture, SourceDataByColumnsTakesNamesAndCategoriesFromTheLabels) {
    auto chart = addEmbedded(data)->chart();
    chart->seriesCollection().newSeries();
    chart->setSourceData(data->range("A1:C4"), plotby::kColumns);
    ASSERT_EQ(chart->seriesCollection().count(), 2);
    auto& sales = series(*chart, 1);
    EXPECT_EQ(a1Of(sales.nameData()), "Data!$B$1");
    EXPECT_EQ(a1Of(sales.valuesData()), "Data!$B$2:$B$4");
    EXPECT_EQ(a1Of(sales.xValuesData()), "Data!$A$2:$A$4");
    EXPECT_EQ(sales.name().asString(), "Sales");
    EXPECT_EQ(a1Of(series(*chart, 2).valuesData()), "Data!$C$2:$C$4");
}

TEST_F(ChartFixture, SourceDataByRows) {
    auto chart = addEmbedded(data)->chart();
    chart->setSourceData(data->range("A1:C4"), plotby::kRows);
    ASSERT_EQ(chart->seriesCollection().count(), 3);
    auto& jan = series(*chart, 1);
    EXPECT_EQ(a1Of(jan.nameData()), "Data!$A$2");
    EXPECT_EQ(a1Of(jan.valuesData()), "Data!$B$2:$C$2");
    EXPECT_EQ(a1Of(jan.xValuesData()), "Data!$B$1:$C$1");
}

TEST_F(ChartFixture, SourceDataWithoutLabels) {
    auto chart = addEmbedded(data)->chart();
    chart->setSourceData(data->range("B2:C4"), plotby::kColumns);
    ASSERT_EQ(chart->seriesCollection().count(), 2);
    EXPECT_EQ(series(*chart, 1).nameData().kind, SeriesData::Kind::None);
    EXPECT_EQ(series(*chart, 1).xValuesData().kind, SeriesData::Kind::None);
    EXPECT_EQ(a1Of(series(*chart, 1).valuesData()), "Data!$B$2:$B$4");
    EXPECT_EQ(series(*chart, 2).name().asString(), "Series2");
}

TEST_F(ChartFixture, SourceDataWithAnEmptyCornerTakesNumbersAsLabels) {
    // Years above the data serve as names because the corner is left empty.
    put("E1", com::Variant());
    put("F1", 2023.0);
    put("G1", 2024.0);
    put("E2", "North");
    put("F2", 1.0);
    put("G2", 2.0);
    put("E3", "South");
    put("F3", 3.0);
    put("G3", 4.0);
    auto chart = addEmbedded(data)->chart();
    chart->setSourceData(data->range("E1:G3"), plotby::kColumns);
    ASSERT_EQ(chart->seriesCollection().count(), 2);
    EXPECT_EQ(a1Of(series(*chart, 1).nameData()), "Data!$F$1");
    EXPECT_EQ(a1Of(series(*chart, 1).xValuesData()), "Data!$E$2:$E$3");
    EXPECT_EQ(a1Of(series(*chart, 1).valuesData()), "Data!$F$2:$F$3");
    // With a label in the corner, a row of numbers is data.
    put("E1", "Region");
    chart->setSourceData(data->range("E1:G3"), plotby::kColumns);
    ASSERT_EQ(chart->seriesCollection().count(), 2);
    EXPECT_EQ(series(*chart, 1).nameData().kind, SeriesData::Kind::None);
    EXPECT_EQ(a1Of(series(*chart, 1).valuesData()), "Data!$F$1:$F$3");
}

TEST_F(ChartFixture, SourceDataOfWholeColumnsStopsAtTheUsedCells) {
    auto chart = addEmbedded(data)->chart();
    chart->setSourceData(data->range("A:B"), plotby::kColumns);
    ASSERT_EQ(chart->seriesCollection().count(), 1);
    EXPECT_EQ(a1Of(series(*chart, 1).valuesData()), "Data!$B$2:$B$4");
    EXPECT_EQ(a1Of(series(*chart, 1).xValuesData()), "Data!$A$2:$A$4");
}

TEST_F(ChartFixture, SourceDataRefusals) {
    auto chart = addEmbedded(data)->chart();
    chart->seriesCollection().newSeries();
    expectHostError([&] { chart->setSourceData(data->range("A1:C4"), 3); }, "PlotBy must be 1 (rows) or 2 (columns)");
    EXPECT_EQ(chart->seriesCollection().count(), 1);  // refused before anything changed
    auto otherBook = app->add();
    auto other = otherBook->worksheets().front();
    expectHostError([&] { chart->setSourceData(other->range("A1:B2"), 2); }, "the chart's workbook");
    // An empty block leaves the chart without series.
    chart->setSourceData(data->range("X1:Y5"), plotby::kColumns);
    EXPECT_EQ(chart->seriesCollection().count(), 0);
}

// ---- legend, data table, labels, title ----

TEST_F(ChartFixture, DataLabelsApplyToEverySeriesPresent) {
    auto chart = addEmbedded(data)->chart();
    chart->seriesCollection().newSeries();
    chart->seriesCollection().newSeries();
    chart->applyDataLabels(2, true);
    EXPECT_TRUE(series(*chart, 1).labels().value);
    EXPECT_TRUE(series(*chart, 2).labels().legendKey);
    EXPECT_TRUE(series(*chart, 2).labelsSet());
    auto later = std::static_pointer_cast<SeriesModel>(chart->seriesCollection().newSeries());
    EXPECT_FALSE(later->labelsSet());
    chart->applyDataLabels(5, false);
    EXPECT_TRUE(series(*chart, 1).labels().category && series(*chart, 1).labels().percent);
    EXPECT_FALSE(series(*chart, 1).labels().value);
    chart->applyDataLabels(-4142, true);
    EXPECT_FALSE(series(*chart, 3).labels().any());
    EXPECT_FALSE(series(*chart, 3).labels().legendKey);
    expectHostError([&] { chart->applyDataLabels(7, false); }, "7 is not a data label type");
    EXPECT_TRUE(series(*chart, 1).labelsSet());
}

TEST_F(ChartFixture, TitleLegendAndDataTable) {
    auto chart = addEmbedded(data)->chart();
    expectHostError([&] { chart->titleText(); }, "has no title");
    expectHostError([&] { chart->setTitleText("x"); }, "has no title");
    chart->setHasTitle(true);
    EXPECT_EQ(chart->titleText(), "");
    chart->setTitleText("Sales & costs <2024>");
    EXPECT_EQ(chart->titleText(), "Sales & costs <2024>");
    chart->setHasTitle(false);
    chart->setHasTitle(true);
    EXPECT_EQ(chart->titleText(), "");  // a title switched off forgets its text
    chart->setHasLegend(false);
    EXPECT_FALSE(chart->hasLegend());
    chart->setHasDataTable(true);
    EXPECT_TRUE(chart->hasDataTable());
}

TEST_F(ChartFixture, ChangesAreTracked) {
    auto object = addEmbedded(data);
    ChartModel& chart = *object->model();
    chart.markRead("xl/charts/chart1.xml");
    chart.setHasLegend(true);  // as it was
    chart.setHasDataTable(false);
    EXPECT_FALSE(chart.isModified());
    chart.setHasDataTable(true);
    EXPECT_TRUE(chart.isModified());
    chart.markRead("xl/charts/chart1.xml");
    chart.newSeries();
    EXPECT_TRUE(chart.isModified());
}

// ---- edits of the workbook ----

TEST_F(ChartFixture, DeletedRowsMoveReferencesAndAnchors) {
    auto object = addEmbedded(data, 0, 155, 96, 60);  // from 5 points into row 11
    auto chart = object->chart();
    auto s = chart->seriesCollection().newSeries();
    s->setValues("=Data!R2C2:R4C2");
    s->setXValues("=(Data!R2C1,Data!R4C1)");
    s->setName("=Data!R1C2");
    object->model()->markRead("xl/charts/chart1.xml");
    object->markRead(2, 0);

    data->range("3:3").deleteCells();
    auto& m = series(*chart, 1);
    EXPECT_EQ(a1Of(m.valuesData()), "Data!$B$2:$B$3");
    EXPECT_EQ(a1Of(m.xValuesData()), "(Data!$A$2,Data!$A$3)");
    EXPECT_EQ(a1Of(m.nameData()), "Data!$B$1");
    EXPECT_TRUE(object->model()->isModified());
    EXPECT_EQ(object->anchor().from.row, 9);
    EXPECT_EQ(object->anchor().to.row, 13);
    EXPECT_TRUE(object->isModified());

    // Rows through the chart shrink it; a reference whose cells all went is #REF!.
    data->range("2:3").deleteCells();
    EXPECT_TRUE(m.valuesData().reference.broken);
    EXPECT_EQ(a1Of(m.valuesData()), "Data!#REF!");
    EXPECT_TRUE(itemsOf(s->values()).empty());
    EXPECT_EQ(object->anchor().from, (AnchorMarker{0, 0, 7, 5 * kEmuPerPoint}));
    data->range("7:8").deleteCells();  // the chart's first row goes: it starts where the band was
    EXPECT_EQ(object->anchor().from, (AnchorMarker{0, 0, 6, 0}));
    EXPECT_EQ(object->anchor().to, (AnchorMarker{2, 0, 9, 5 * kEmuPerPoint}));
}

TEST_F(ChartFixture, DeletedColumnsMoveReferencesOnOtherSheetsToo) {
    auto sheet = book->addChartSheet();
    auto s = sheet->chart()->seriesCollection().newSeries();
    s->setValues("=Data!R2C3:R4C3");
    auto object = addEmbedded(data, 200, 0, 100, 50);
    int32_t column = object->anchor().from.column;
    data->range("B:B").deleteCells();
    EXPECT_EQ(a1Of(series(*sheet->chart(), 1).valuesData()), "Data!$B$2:$B$4");
    EXPECT_EQ(object->anchor().from.column, column - 1);
    // Cells shifted up inside some columns move only references wholly within them.
    s->setXValues("=Data!R2C1:R4C1");
    data->range("A2:A2").deleteCells();
    EXPECT_EQ(a1Of(series(*sheet->chart(), 1).xValuesData()), "Data!$A$2:$A$3");
    EXPECT_EQ(a1Of(series(*sheet->chart(), 1).valuesData()), "Data!$B$2:$B$4");
}

TEST_F(ChartFixture, RenamedAndDeletedSheets) {
    auto other = book->addWorksheet();
    other->setName("Other");
    auto chart = addEmbedded(data)->chart();
    auto s = chart->seriesCollection().newSeries();
    s->setValues("=Other!R1C1:R3C1");
    s->setXValues("=Data!R2C1:R4C1");
    other->setName("Renamed one");
    EXPECT_EQ(a1Of(series(*chart, 1).valuesData()), "'Renamed one'!$A$1:$A$3");
    other->deleteSheet();
    EXPECT_EQ(a1Of(series(*chart, 1).valuesData()), "'Renamed one'!#REF!");
    EXPECT_EQ(a1Of(series(*chart, 1).xValuesData()), "Data!$A$2:$A$4");
}

// ---- automation ----

TEST_F(ChartFixture, DispatchByName) {
    auto sheet = book->addChartSheet();
    com::Dispatch& asChart = *sheet;  // a chart sheet answers as its chart
    asChart.put("ChartType", com::Variant(int32_t{-4120}));
    EXPECT_EQ(sheet->chart()->chartType(), -4120);
    auto collection = com::objectAs<com::Dispatch>(asChart.call("SeriesCollection"));
    auto s = com::objectAs<com::Dispatch>(collection->call("NewSeries"));
    s->put("Values", com::Variant(std::string("=Data!R2C2:R4C2")));
    s->put("Name", com::Variant(std::string("Sales")));
    EXPECT_EQ(collection->get("Count").asInt32(), 1);
    EXPECT_EQ(com::objectAs<com::Dispatch>(asChart.call("SeriesCollection", {com::Variant(int32_t{1})}))->get("Name").asString(),
              "Sales");
    asChart.call("ApplyDataLabels", {com::Variant(int32_t{3}), com::Variant(true)});
    EXPECT_TRUE(series(*sheet->chart(), 1).labels().percent);
    asChart.put("HasTitle", com::Variant(true));
    auto characters = com::objectAs<com::Dispatch>(com::objectAs<com::Dispatch>(asChart.get("ChartTitle"))->get("Characters"));
    characters->put("Text", com::Variant(std::string("Share")));
    EXPECT_EQ(sheet->chart()->titleText(), "Share");
    asChart.call("SetSourceData", {com::Variant(com::ObjectPtr(std::make_shared<RangeObject>(data->range("A1:C4"))))});
    EXPECT_EQ(sheet->chart()->seriesCollection().count(), 2);  // more rows than columns: by columns

    auto object = data->addChartObject(0, 0, 100, 100);
    EXPECT_EQ(object->get("Name").asString(), "Chart 1");
    auto chart = com::objectAs<com::Dispatch>(object->get("Chart"));
    EXPECT_EQ(chart->get("ChartType").asInt32(), 51);
    EXPECT_EQ(chart->get("Name").asString(), "Chart 1");
}

}  // namespace
}  // namespace tavlora::host::test
