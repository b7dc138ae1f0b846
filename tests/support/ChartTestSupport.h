#pragma once
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "support/ComErrorMatchers.h"
#include "com/Error.h"
#include "host/files/NewApplication.h"
#include "host/Application.h"
#include "host/chart/Chart.h"
#include "host/chart/ChartModel.h"
#include "host/chart/ChartSheet.h"
#include "host/chart/EmbeddedChart.h"
#include "host/Range.h"
#include "host/Workbook.h"
#include "host/Worksheet.h"
#include "support/TestPaths.h"

namespace tavlora::host::test {

inline bool contains(const std::string& text, const std::string& piece) {
    return text.find(piece) != std::string::npos;
}

// A workbook with a sheet "Data" holding a small table:
//        A       B      C
//   1  Month   Sales  Cost
//   2  Jan     10     4
//   3  Feb     20     5
//   4  Mar     30     6
class ChartFixture : public ::testing::Test {
protected:
    void SetUp() override {
        app = files::newApplication();
        book = app->add();
        data = book->worksheets().front();
        data->setName("Data");
        const char* months[] = {"Jan", "Feb", "Mar"};
        put("A1", "Month");
        put("B1", "Sales");
        put("C1", "Cost");
        for (int i = 0; i < 3; ++i) {
            put("A" + std::to_string(i + 2), std::string(months[i]));
            put("B" + std::to_string(i + 2), 10.0 * (i + 1));
            put("C" + std::to_string(i + 2), 4.0 + i);
        }
    }
    void TearDown() override { app->quit(); }

    void put(const std::string& address, const com::Variant& value) { data->range(address).setValue(value); }

    std::shared_ptr<EmbeddedChart> addEmbedded(const std::shared_ptr<Worksheet>& sheet, double left = 180,
                                               double top = 100, double width = 360, double height = 210) {
        return std::static_pointer_cast<EmbeddedChart>(sheet->addChartObject(left, top, width, height));
    }
    static ChartModel& model(const std::shared_ptr<Chart>& chart) { return static_cast<ChartModel&>(*chart); }
    static SeriesModel& series(Chart& chart, int32_t index) {
        return static_cast<SeriesModel&>(*chart.seriesCollection().item(index));
    }
    // Saves and opens the file again in a new application.
    std::shared_ptr<Workbook> saveAndReopen(const std::string& name = "book.xlsx") {
        auto path = temp.file(name);
        book->saveAs(path.string());
        reopenedApp = files::newApplication();
        return reopenedApp->open(path.string());
    }

    tavlora::test::TempDir temp;
    std::shared_ptr<Application> app;
    std::shared_ptr<Application> reopenedApp;
    std::shared_ptr<Workbook> book;
    std::shared_ptr<Worksheet> data;
};

// Runs `action` and expects a host error whose message contains `part`.
template <typename Action>
void expectHostError(Action action, const std::string& part) {
    tavlora::test::expectComError(action, com::hr::kHostError, part, tavlora::test::MessageIs::Containing);
}

// The text of one part of a zip file (by Python's zipfile); "" when absent.
std::string zipPart(const std::filesystem::path& path, const std::string& part);

}  // namespace tavlora::host::test
