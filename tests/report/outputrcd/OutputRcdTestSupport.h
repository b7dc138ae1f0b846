#pragma once
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "com/Variant.h"
#include "host/files/NewApplication.h"
#include "data/MemoryRecordset.h"
#include "data/XmlDocument.h"
#include "data/XmlNodeList.h"
#include "host/Application.h"
#include "host/Range.h"
#include "host/Workbook.h"
#include "host/Worksheet.h"
#include "tavlora/CExcelOutputRcd.h"
#include "tavlora/CExcelBatDo.h"

namespace tavlora::outputrcd::test {

// An in-memory workbook with the sheets "Data" and "Other", a job object holding it, and a
// record table writer working for that job.
struct TableBook {
    std::shared_ptr<host::Application> application = host::files::newApplication();
    std::shared_ptr<host::Workbook> workbook = application->add();
    std::shared_ptr<host::Worksheet> data;
    std::shared_ptr<host::Worksheet> other;
    std::shared_ptr<printjob::CExcelBatDo> job = printjob::CExcelBatDo::create();
    std::shared_ptr<CExcelOutputRcd> writer = CExcelOutputRcd::create();

    TableBook() {
        data = workbook->worksheets().front();
        data->setName("Data");
        other = workbook->addWorksheet(nullptr, data.get());
        other->setName("Other");
        job->setCurWk(workbook);
        writer->setCurBatObj(job);
    }
    ~TableBook() { application->quit(); }

    com::Variant at(const std::string& address) const { return data->range(address).value(); }
    std::string textAt(const std::string& address) const { return data->range(address).text(); }
    bool isMerged(const std::string& address) const {
        auto area = host::parseA1(address);
        for (const auto& merged : data->mergedAreas())
            if (merged == *area) return true;
        return false;
    }
};

inline std::shared_ptr<data::MemoryRecordset> records(std::vector<std::string> names,
                                                      std::vector<data::MemoryRecordset::Row> rows) {
    return std::make_shared<data::MemoryRecordset>(std::move(names), std::move(rows));
}

// The nodes an XPath query selects from an XML text (root element as context).
inline std::shared_ptr<data::XmlNodeList> select(const std::string& xml, const std::string& query) {
    auto document = std::make_shared<data::XmlDocument>();
    EXPECT_TRUE(document->loadXml(xml)) << xml;
    return document->documentElement().selectNodes(query);
}

inline void writeTextFile(const std::filesystem::path& path, const std::string& text) {
    std::FILE* f = std::fopen(path.string().c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
}

}  // namespace tavlora::outputrcd::test
