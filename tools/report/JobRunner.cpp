#include "JobRunner.h"

#include <memory>
#include <vector>

#include "ProgressRecordset.h"
#include "com/Conversions.h"
#include "com/Dispatch.h"
#include "data/OdbcRecordset.h"
#include "data/SqliteRecordset.h"
#include "server/ClassRegistry.h"
#include "tavlora/Failures.h"

namespace tavlora::runner {

namespace {

using com::Variant;
using Object = std::shared_ptr<com::Dispatch>;

// Why the engine answered false: the reason the library kept of the last trapped failure. Each
// call below clears it first, so a reason never belongs to an earlier call.
std::string lastFailureReason() { return tavlora::lastFailure(); }

std::string withReason(std::string what) {
    const std::string reason = lastFailureReason();
    return reason.empty() ? what : what + ": " + reason;
}

class StepRunner {
public:
    StepRunner(Object job, std::FILE* log) : job_(std::move(job)), log_(log) {}

    void run(const Step& step) {
        switch (step.kind) {
            case StepKind::Record: record(step); break;
            case StepKind::List: list(step); break;
            case StepKind::Table: table(step); break;
            case StepKind::Text: text(step); break;
            case StepKind::Chart: chart(step); break;
        }
    }

private:
    Object filler(const char* progId) {
        Object object = server::requireClass(progId).create();
        object->put("CurBatObj", Variant(job_));
        return object;
    }

    // A member by name; an error it raises becomes the step's failure.
    static Variant call(const Object& object, const std::string& member, std::vector<Variant> args = {}) {
        try {
            tavlora::clearLastFailure();
            return object->call(member, std::move(args));
        } catch (const com::Error& e) {
            throw StepFailed(member + " failed: " + e.what());
        }
    }

    static void expect(bool ok, const std::string& what) {
        if (!ok) throw StepFailed(withReason(what));
    }

    static Object openRecords(const DataRef& data) {
        try {
            if (data.kind == SourceKind::Odbc) return data::OdbcRecordset::open(data.connection, data.query);
            return data::SqliteRecordset::open(data.file.string(), data.query);
        } catch (const com::Error& e) {
            throw StepFailed("the query of source '" + data.source + "' failed: " + e.what());
        }
    }

    // The records a query gives, for progress; -1 when unknown. A database server runs the
    // query twice for it, so it is asked only when progress is shown, and a server that
    // cannot count the query (the query itself may still run) shows none.
    static int64_t countRecords(const DataRef& data) {
        if (data.kind == SourceKind::Sqlite) {
            auto count = data::SqliteRecordset::open(data.file.string(), "SELECT COUNT(*) FROM (" + data.query + ")");
            return count->Eof() ? 0 : com::toInt64(count->FieldValue(0));
        }
        try {
            auto count = data::OdbcRecordset::open(data.connection, "SELECT COUNT(*) FROM (" + data.query + ") counted");
            return count->Eof() ? -1 : com::toInt64(count->FieldValue(0));
        } catch (const com::Error&) {
            return -1;
        }
    }

    Object listRecords(const Step& step) {
        const int64_t total = log_ ? countRecords(*step.data) : 0;
        auto records = std::static_pointer_cast<data::Recordset>(openRecords(*step.data));
        if (total < kProgressThreshold || !log_) return records;
        return std::make_shared<ProgressRecordset>(records, "'" + step.sheet + "'", total, log_);
    }

    void record(const Step& step) {
        Object one = filler("Tavlora.CExcelTmplPrintOne");
        expect(call(one, "DoA_Begin", {step.sheet}).asBool(), "DoA_Begin(\"" + step.sheet + "\") answered false");
        if (step.data && isSql(step.data->kind)) {
            Object records = openRecords(*step.data);
            expect(!records->get("EOF").asBool(), "the query gave no record");
            expect(call(one, "DoA_ReplaceRst", {records}).asBool(),
                   "DoA_ReplaceRst answered false: the sheet has no %Name% placeholders");
        } else if (step.data) {
            expect(call(one, "DoA_ReplaceXml", {step.data->file.string(), step.data->query}).asBool(),
                   "DoA_ReplaceXml answered false");
        }
        for (const auto& [name, value] : step.values) {
            expect(call(one, "DoA_ReplaceA", {name, value}).asBool(), "no placeholder %" + name + "% on the sheet");
        }
        call(one, "DoA_End");
    }

    void list(const Step& step) {
        Object batch = filler("Tavlora.CExcelTmplPrintBat");
        batch->put("IsNoZero", Variant(!step.showZeros));
        expect(call(batch, "DoA_Begin", {step.sheet, !step.values.empty()}).asBool(),
               "DoA_Begin(\"" + step.sheet + "\") answered false: no such sheet, or its control area (row 1 and "
               "column A) cannot be read");
        if (isSql(step.data->kind)) {
            expect(call(batch, "DoA_OutputRst", {listRecords(step)}).asBool(), "DoA_OutputRst answered false");
        } else {
            expect(call(batch, "DoA_OutputXml", {step.data->file.string(), step.data->query}).asBool(),
                   "DoA_OutputXml answered false");
        }
        for (const auto& [name, value] : step.values) {
            expect(call(batch, "DoA_ReplaceWhiteDot", {name, value}).asBool(),
                   "no placeholder %" + name + "% on the sheet");
        }
        expect(call(batch, "DoA_End").asBool(), "DoA_End answered false");
    }

    void table(const Step& step) {
        Object output = filler("Tavlora.CExcelOutputRcd");
        output->put("IsTitle", Variant(step.title.has_value()));
        if (step.title) output->put("Title", Variant(*step.title));
        bool ok;
        if (isSql(step.data->kind)) {
            ok = call(output, "DoA_RcdRst", {step.sheet, openRecords(*step.data), step.row, step.column}).asBool();
        } else {
            output->put("xmlWay", Variant(int32_t{0}));
            ok = call(output, "DoA_RcdXml",
                      {step.sheet, step.data->file.string(), step.data->query, "", step.row, step.column})
                     .asBool();
        }
        expect(ok, isSql(step.data->kind) ? "DoA_RcdRst answered false" : "DoA_RcdXml answered false");
    }

    void text(const Step& step) {
        Object writer = filler("Tavlora.CExcelChart");
        // These members do not register the sheet, and DoEnd deletes sheets nobody registered.
        call(job_, "DoAddSheet", {step.sheet});
        for (const auto& [address, value] : step.cells) {
            expect(call(writer, "DoA_OutputString1", {address, value, step.sheet}).asBool(),
                   "no worksheet named '" + step.sheet + "'");
        }
        for (const auto& [name, value] : step.values) {
            expect(com::toInt32(call(writer, "DoA_ReplaceWhiteDot", {name, value, step.sheet})) > 0,
                   "no cell of '" + step.sheet + "' holds %" + name + "%");
        }
    }

    // The query's first column names the categories, every further column is a series.
    void describeChartData(const Object& chart, const DataRef& data) {
        auto records = std::static_pointer_cast<data::Recordset>(openRecords(data));
        const int32_t fields = records->FieldCount();
        expect(fields >= 2, "the chart query must give a category column and at least one value column");
        std::vector<std::string> categories;
        std::vector<std::vector<Variant>> values(static_cast<size_t>(fields - 1));
        for (; !records->Eof(); records->MoveNext()) {
            categories.push_back(com::toTextOrEmpty(records->FieldValue(0)));
            for (int32_t f = 1; f < fields; ++f) values[static_cast<size_t>(f - 1)].push_back(records->FieldValue(f));
        }
        expect(!categories.empty(), "the chart query gave no record");
        const auto groups = static_cast<int16_t>(categories.size());
        call(chart, "oSetSeriesCount", {static_cast<int16_t>(fields - 1)});
        // A list sized n has slots 0 .. n, and text labels hand every slot to the chart: n - 1
        // gives exactly n categories.
        call(chart, "oSetGroupCount", {static_cast<int16_t>(groups - 1)});
        for (int16_t g = 0; g < groups; ++g) call(chart, "oSetGroupName", {g, categories[static_cast<size_t>(g)]});
        for (int16_t s = 0; s < fields - 1; ++s) {
            call(chart, "oSetSeriesName", {s, records->FieldName(s + 1)});
            call(chart, "oSetSeriesValue_Data", {s, groups, Variant::array(values[static_cast<size_t>(s)])});
        }
    }

    void chart(const Step& step) {
        Object chart = filler("Tavlora.CExcelChart");
        bool drawn;
        if (step.data) {
            describeChartData(chart, *step.data);
            drawn = call(chart, "DoA_Chart", {step.sheet, step.chartType, step.chartName}).asBool();
        } else {
            expect(call(chart, "DoA_ChartFromRange_SetData1", {step.rangeSheet, step.range, ""}).asBool(),
                   "no block " + step.range + " on a worksheet named '" + step.rangeSheet + "'");
            drawn = call(chart, "DoA_ChartFromRange", {step.sheet, step.seriesInColumns, step.chartType, step.chartName})
                        .asBool();
        }
        expect(drawn, "the chart could not be drawn");
        if (step.legend || step.labels) {
            call(chart, "DoA_SetStyle", {step.labels.value_or(-4142), false, step.legend.value_or(true), false});
        }
        if (step.title) call(chart, "DoA_SetTitle", {*step.title});
    }

    Object job_;
    std::FILE* log_;
};

const char* kindName(StepKind kind) {
    switch (kind) {
        case StepKind::Record: return "record";
        case StepKind::List: return "list";
        case StepKind::Table: return "table";
        case StepKind::Text: return "text";
        case StepKind::Chart: return "chart";
    }
    return "";
}

}  // namespace

void runJob(const Job& job, std::FILE* log) {
    Object batch = server::requireClass("Tavlora.CExcelBatDo").create();
    batch->put("IsDelUnUse", Variant(!job.keepUnusedSheets));
    // The template is opened, never copied over the output: the output is written once, at the end.
    tavlora::clearLastFailure();
    if (!batch->call("DoBegin", {job.templateFile.string()}).asBool()) {
        throw StepFailed(withReason("DoBegin(\"" + job.templateFile.string() + "\") answered false: the template "
                                    "cannot be opened as a workbook"));
    }
    StepRunner steps(batch, log);
    for (size_t i = 0; i < job.steps.size(); ++i) {
        const Step& step = job.steps[i];
        const std::string what = std::string(kindName(step.kind)) + " '" + step.sheet + "'";
        if (log) std::fprintf(log, "step %zu of %zu: %s\n", i + 1, job.steps.size(), what.c_str());
        try {
            steps.run(step);
        } catch (const StepFailed& e) {
            throw StepFailed(job.file.string() + ": " + step.key + " (" + what + "): " + e.what());
        }
    }
    tavlora::clearLastFailure();
    if (!batch->call("DoEnd", {job.output.string(), false, job.html}).asBool()) {
        throw StepFailed(withReason("DoEnd could not save '" + job.output.string() + "'"));
    }
}

}  // namespace tavlora::runner
