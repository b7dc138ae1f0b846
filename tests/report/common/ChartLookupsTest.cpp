#include "report/common/ChartLookups.h"
#include "host/files/NewApplication.h"

#include <gtest/gtest.h>

#include "support/ComErrorMatchers.h"
#include "host/Application.h"
#include "host/chart/Chart.h"
#include "host/chart/ChartAnchor.h"
#include "host/chart/ChartSheet.h"
#include "host/chart/EmbeddedChart.h"
#include "host/Workbook.h"
#include "host/Worksheet.h"

namespace tavlora::common {
namespace {

class ChartLookups : public ::testing::Test {
protected:
    std::shared_ptr<host::Application> application = host::files::newApplication();
    std::shared_ptr<host::Workbook> workbook = application->add();
    std::shared_ptr<host::Worksheet> sales = workbook->worksheets().front();
    std::shared_ptr<host::ChartSheet> graph;

    void SetUp() override {
        sales->setName("Sales");
        graph = workbook->addChartSheet(nullptr, sales.get());
        graph->setName("Graph");
    }
};

TEST_F(ChartLookups, SheetByNameFindsWorksheetsAndChartSheets) {
    EXPECT_EQ(MCommExcel::FindSheetByName(workbook, "sales"), sales);
    EXPECT_EQ(MCommExcel::FindSheetByName(workbook, "GRAPH"), graph);
    EXPECT_FALSE(MCommExcel::FindSheetByName(workbook, "Sale"));
    EXPECT_FALSE(MCommExcel::FindSheetByName(workbook, "Sales "));
    EXPECT_FALSE(MCommExcel::FindSheetByName(workbook, ""));
}

TEST_F(ChartLookups, ChartSheetByNameSeesOnlyChartSheets) {
    EXPECT_EQ(MCommExcel::FindChartSheetByName(workbook, "graph"), graph->chart());
    EXPECT_FALSE(MCommExcel::FindChartSheetByName(workbook, "Sales"));
    auto embedded = sales->addChartObject(0, 0, 100, 100);
    embedded->setName("Embedded");
    EXPECT_FALSE(MCommExcel::FindChartSheetByName(workbook, "Embedded"));
}

TEST_F(ChartLookups, EmbeddedChartsByNameFirstInSheetOrder) {
    auto first = sales->addChartObject(0, 0, 100, 100);
    auto second = sales->addChartObject(0, 200, 100, 100);
    auto other = sales->addChartObject(0, 400, 100, 100);
    first->setName("Twin");
    second->setName("twin");
    other->setName("Twins");
    EXPECT_EQ(MCommExcel::FindChartObjectByName(sales, "TWIN"), first);
    EXPECT_EQ(MCommExcel::FindEmbeddedChartByName(sales, "Twin"), first->chart());
    EXPECT_EQ(MCommExcel::FindChartObjectByName(sales, "twins"), other);
    EXPECT_FALSE(MCommExcel::FindChartObjectByName(sales, "Twi"));
    EXPECT_FALSE(MCommExcel::FindEmbeddedChartByName(sales, "Graph"));
}

TEST_F(ChartLookups, MissingObjectsAreErrors) {
    EXPECT_COM_ERROR(MCommExcel::FindSheetByName(nullptr, "Sales"), com::hr::kObjectNotSet);
    EXPECT_COM_ERROR(MCommExcel::FindChartSheetByName(nullptr, "Graph"), com::hr::kObjectNotSet);
    EXPECT_COM_ERROR(MCommExcel::FindChartObjectByName(nullptr, "C1"), com::hr::kObjectNotSet);
    EXPECT_COM_ERROR(MCommExcel::FindEmbeddedChartByName(nullptr, "C1"), com::hr::kObjectNotSet);
    EXPECT_COM_ERROR(MCommExcel::DeleteAllSeries(nullptr), com::hr::kObjectNotSet);
    EXPECT_FALSE(MCommExcel::AddChartObject(nullptr, "C1")) << "adding traps every failure";
    EXPECT_FALSE(MCommExcel::AddEmbeddedChart(nullptr, "C1"));
}

TEST_F(ChartLookups, AddedChartObjectSitsAtTheDefaultPlace) {
    auto object = MCommExcel::AddChartObject(sales, "C1");
    ASSERT_TRUE(object);
    EXPECT_EQ(object->name(), "C1");
    ASSERT_EQ(sales->chartObjects().size(), 1u);
    EXPECT_EQ(sales->chartObjects().front(), object);
    auto embedded = std::dynamic_pointer_cast<host::EmbeddedChart>(object);
    ASSERT_TRUE(embedded);
    const host::PointRect place = host::anchorRect(*sales, embedded->anchor());
    EXPECT_NEAR(place.left, 180, 1);
    EXPECT_NEAR(place.top, 100, 1);
    EXPECT_NEAR(place.width, 360, 1);
    EXPECT_NEAR(place.height, 210, 1);
    EXPECT_EQ(object->chart()->seriesCollection().count(), 0);
}

TEST_F(ChartLookups, EmptyOrRefusedNameKeepsTheHostsName) {
    auto unnamed = MCommExcel::AddChartObject(sales, "");
    ASSERT_TRUE(unnamed);
    EXPECT_FALSE(unnamed->name().empty());
    auto refused = MCommExcel::AddChartObject(sales, std::string(300, 'x'));
    ASSERT_TRUE(refused) << "the object stays when only the renaming fails";
    EXPECT_NE(refused->name(), std::string(300, 'x'));
    EXPECT_EQ(sales->chartObjects().size(), 2u);
    auto chart = MCommExcel::AddEmbeddedChart(sales, "C3");
    ASSERT_TRUE(chart);
    EXPECT_EQ(MCommExcel::FindEmbeddedChartByName(sales, "C3"), chart);
}

// Records the order in which series are deleted.
class RecordingSeries final : public host::Series {
public:
    RecordingSeries(int32_t number, std::vector<int32_t>& deleted) : number_(number), deleted_(deleted) {}
    com::Variant name() const override { return {}; }
    void setName(const com::Variant&) override {}
    com::Variant values() const override { return {}; }
    void setValues(const com::Variant&) override {}
    com::Variant xValues() const override { return {}; }
    void setXValues(const com::Variant&) override {}
    void deleteSeries() override { deleted_.push_back(number_); }
    const com::DispatchTable& dispatchTable() const override {
        static const com::DispatchTable table("Series", {});
        return table;
    }

private:
    int32_t number_;
    std::vector<int32_t>& deleted_;
};

class RecordingChart final : public host::Chart, public host::SeriesCollection {
public:
    explicit RecordingChart(int32_t count) : count_(count) {}
    std::vector<int32_t> deleted;

    int32_t count() const override { return count_; }
    std::shared_ptr<host::Series> item(int32_t index) override {
        return std::make_shared<RecordingSeries>(index, deleted);
    }
    std::shared_ptr<host::Series> newSeries() override { return nullptr; }
    std::string name() const override { return "Recording"; }
    void setName(const std::string&) override {}
    int32_t chartType() const override { return 51; }
    void setChartType(int32_t) override {}
    host::SeriesCollection& seriesCollection() override { return *this; }
    void setSourceData(const host::Range&, int32_t) override {}
    bool hasLegend() const override { return false; }
    void setHasLegend(bool) override {}
    bool hasDataTable() const override { return false; }
    void setHasDataTable(bool) override {}
    void applyDataLabels(int32_t, bool) override {}
    bool hasTitle() const override { return false; }
    void setHasTitle(bool) override {}
    std::string titleText() const override { return {}; }
    void setTitleText(const std::string&) override {}
    const com::DispatchTable& dispatchTable() const override {
        static const com::DispatchTable table("Chart", {});
        return table;
    }

private:
    int32_t count_;
};

TEST(DeleteAllSeries, DeletesTheLastSeriesFirstAndReadsTheCountOnce) {
    auto three = std::make_shared<RecordingChart>(3);
    MCommExcel::DeleteAllSeries(three);
    EXPECT_EQ(three->deleted, (std::vector<int32_t>{3, 2, 1}));
    auto none = std::make_shared<RecordingChart>(0);
    MCommExcel::DeleteAllSeries(none);
    EXPECT_TRUE(none->deleted.empty());
    auto tooMany = std::make_shared<RecordingChart>(40000);
    EXPECT_COM_ERROR(MCommExcel::DeleteAllSeries(tooMany), com::hr::kOverflow);
}

TEST_F(ChartLookups, DeleteAllSeriesEmptiesARealChart) {
    auto chart = MCommExcel::AddEmbeddedChart(sales, "C1");
    for (int i = 0; i < 3; ++i) chart->seriesCollection().newSeries()->setValues(com::Variant("={1,2}"));
    MCommExcel::DeleteAllSeries(chart);
    EXPECT_EQ(chart->seriesCollection().count(), 0);
}

}  // namespace
}  // namespace tavlora::common
