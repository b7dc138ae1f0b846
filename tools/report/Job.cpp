#include "Job.h"

#include <sqlite3.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <pugixml.hpp>
#include <set>

#include "data/XmlDocument.h"
#include "host/chart/Chart.h"

namespace tavlora::runner {

namespace {

using nlohmann::json;

// Collects the problems of one job file while its keys are read.
class Checker {
public:
    explicit Checker(fs::path jobFile) : jobFile_(std::move(jobFile)), folder_(jobFile_.parent_path()) {}

    void problem(const std::string& key, const std::string& reason) {
        problems_.push_back({jobFile_.string(), key, reason});
    }
    void fileProblem(const fs::path& file, const std::string& key, const std::string& reason) {
        problems_.push_back({file.string(), key, reason});
    }
    const std::vector<Problem>& problems() const { return problems_; }

    fs::path resolve(const std::string& path) const {
        fs::path p(path);
        return p.is_absolute() ? p : (folder_ / p).lexically_normal();
    }

    // Keys the job does not know are most often misspelt ones; saying so beats ignoring them.
    void allowOnly(const json& object, const std::string& where, const std::set<std::string>& known) {
        for (const auto& [key, value] : object.items()) {
            if (!known.contains(key)) problem(join(where, key), "unknown key");
        }
    }

    std::optional<std::string> text(const json& object, const std::string& where, const std::string& key,
                                    bool required) {
        auto found = object.find(key);
        if (found == object.end()) {
            if (required) problem(join(where, key), "missing");
            return std::nullopt;
        }
        if (!found->is_string()) {
            problem(join(where, key), "must be a text, not " + typeName(*found));
            return std::nullopt;
        }
        return found->get<std::string>();
    }

    std::optional<bool> flag(const json& object, const std::string& where, const std::string& key) {
        auto found = object.find(key);
        if (found == object.end()) return std::nullopt;
        if (!found->is_boolean()) {
            problem(join(where, key), "must be true or false, not " + typeName(*found));
            return std::nullopt;
        }
        return found->get<bool>();
    }

    std::optional<int32_t> number(const json& object, const std::string& where, const std::string& key,
                                  int32_t low, int32_t high) {
        auto found = object.find(key);
        if (found == object.end()) return std::nullopt;
        if (!found->is_number_integer()) {
            problem(join(where, key), "must be a whole number, not " + typeName(*found));
            return std::nullopt;
        }
        const auto value = found->get<int64_t>();
        if (value < low || value > high) {
            problem(join(where, key), "must lie between " + std::to_string(low) + " and " + std::to_string(high));
            return std::nullopt;
        }
        return static_cast<int32_t>(value);
    }

    // {"Name": "text", ...}; numbers are taken as their JSON text, so "Qty": 3 works too.
    TextPairs textMap(const json& object, const std::string& where, const std::string& key) {
        TextPairs pairs;
        auto found = object.find(key);
        if (found == object.end()) return pairs;
        if (!found->is_object()) {
            problem(join(where, key), "must be an object of names and texts, not " + typeName(*found));
            return pairs;
        }
        for (const auto& [name, value] : found->items()) {
            if (value.is_string()) {
                pairs.emplace_back(name, value.get<std::string>());
            } else if (value.is_number()) {
                pairs.emplace_back(name, value.dump());
            } else {
                problem(join(join(where, key), name), "must be a text, not " + typeName(value));
            }
        }
        return pairs;
    }

    static std::string join(const std::string& where, const std::string& key) {
        return where.empty() ? key : where + "." + key;
    }

    static std::string typeName(const json& value) {
        switch (value.type()) {
            case json::value_t::null: return "null";
            case json::value_t::boolean: return "true/false";
            case json::value_t::string: return "a text";
            case json::value_t::array: return "a list";
            case json::value_t::object: return "an object";
            default: return "a number";
        }
    }

private:
    fs::path jobFile_;
    fs::path folder_;
    std::vector<Problem> problems_;
};

json parseJobFile(const fs::path& jobFile) {
    std::ifstream in(jobFile, std::ios::binary);
    if (!in) throw JobError({{jobFile.string(), "", "cannot be read"}});
    try {
        return json::parse(in, nullptr, true, true);
    } catch (const json::parse_error& e) {
        std::string message = e.what();
        // "[json.exception.parse_error.101] parse error at line 3, column 5: ..." -> from "line".
        auto at = message.find("line ");
        throw JobError({{jobFile.string(), "", "is not valid JSON: " + message.substr(at == std::string::npos ? 0 : at)}});
    }
}

void checkSqlite(Checker& checker, const fs::path& database, const std::string& key, const std::string& sql) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(database.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        checker.fileProblem(database, key, std::string("cannot be opened: ") + sqlite3_errmsg(db));
        sqlite3_close(db);
        return;
    }
    sqlite3_stmt* statement = nullptr;
    const char* rest = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &statement, &rest) != SQLITE_OK) {
        checker.problem(key, std::string("SQL error: ") + sqlite3_errmsg(db));
    } else if (!statement) {
        checker.problem(key, "SQL error: the query is empty");
    } else if (rest && std::string_view(rest).find_first_not_of(" \t\r\n;") != std::string_view::npos) {
        checker.problem(key, "SQL error: one statement only, please");
    } else if (sqlite3_stmt_readonly(statement) == 0) {
        checker.problem(key, "SQL error: a report only reads; the query would change the database");
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
}

void checkXml(Checker& checker, const fs::path& file, const std::string& key) {
    data::XmlDocument document;
    if (document.load(file.string())) return;
    // The engine answers only yes or no; pugixml says where a plain UTF-8 file goes wrong.
    pugi::xml_document probe;
    const auto result = probe.load_file(file.c_str());
    std::string reason = "is not a well-formed XML document";
    if (!result) reason += std::string(": ") + result.description() + " at byte " + std::to_string(result.offset);
    checker.fileProblem(file, key, reason);
}

std::map<std::string, Source> readSources(Checker& checker, const json& root) {
    std::map<std::string, Source> sources;
    auto found = root.find("sources");
    if (found == root.end()) return sources;
    if (!found->is_object()) {
        checker.problem("sources", "must be an object of named sources, not " + Checker::typeName(*found));
        return sources;
    }
    for (const auto& [name, value] : found->items()) {
        const std::string where = "sources." + name;
        if (!value.is_object()) {
            checker.problem(where, "must be {\"sqlite\": FILE}, {\"odbc\": CONNECTION} or {\"xml\": FILE}");
            continue;
        }
        checker.allowOnly(value, where, {"sqlite", "odbc", "xml"});
        const int kinds = int(value.contains("sqlite")) + int(value.contains("odbc")) + int(value.contains("xml"));
        if (kinds != 1) {
            checker.problem(where, "must name one source, as \"sqlite\", \"odbc\" or \"xml\"");
            continue;
        }
        if (value.contains("odbc")) {
            // The connection is made when a step runs: the driver's reason is reported then.
            auto connection = checker.text(value, where, "odbc", true);
            if (!connection) continue;
            if (connection->empty()) {
                checker.problem(Checker::join(where, "odbc"), "must be an ODBC connection string (\"DSN=...\" or \"Driver=...\")");
                continue;
            }
            sources.emplace(name, Source{SourceKind::Odbc, {}, *connection});
            continue;
        }
        const bool isSqlite = value.contains("sqlite");
        const std::string kindKey = isSqlite ? "sqlite" : "xml";
        auto path = checker.text(value, where, kindKey, true);
        if (!path) continue;
        Source source{isSqlite ? SourceKind::Sqlite : SourceKind::Xml, checker.resolve(*path), {}};
        if (!fs::is_regular_file(source.file)) {
            checker.fileProblem(source.file, Checker::join(where, kindKey), "does not exist");
            continue;
        }
        if (source.kind == SourceKind::Xml) checkXml(checker, source.file, Checker::join(where, kindKey));
        sources.emplace(name, source);
    }
    return sources;
}

// "source" with "query" (SQLite, ODBC) or "select" (XML).
std::optional<DataRef> readData(Checker& checker, const json& step, const std::string& where,
                                const std::map<std::string, Source>& sources, bool required) {
    auto name = checker.text(step, where, "source", required);
    auto query = checker.text(step, where, "query", false);
    auto select = checker.text(step, where, "select", false);
    if (!name) {
        if (query || select) checker.problem(Checker::join(where, "source"), "missing: which source to query");
        return std::nullopt;
    }
    auto source = sources.find(*name);
    if (source == sources.end()) {
        checker.problem(Checker::join(where, "source"), "no source named '" + *name + "' in \"sources\"");
        return std::nullopt;
    }
    DataRef data{*name, source->second.kind, source->second.file, source->second.connection, ""};
    if (isSql(data.kind)) {
        if (select) checker.problem(Checker::join(where, "select"), "belongs to XML sources; use \"query\"");
        if (!query) {
            checker.problem(Checker::join(where, "query"), "missing: the SQL query for source '" + *name + "'");
            return std::nullopt;
        }
        if (data.kind == SourceKind::Sqlite) checkSqlite(checker, data.file, Checker::join(where, "query"), *query);
        data.query = *query;
    } else {
        if (query) checker.problem(Checker::join(where, "query"), "belongs to SQL sources; use \"select\"");
        if (!select) {
            checker.problem(Checker::join(where, "select"), "missing: the XPath selection for source '" + *name + "'");
            return std::nullopt;
        }
        data.query = *select;
    }
    return data;
}

const std::vector<std::pair<std::string, StepKind>>& stepKinds() {
    static const std::vector<std::pair<std::string, StepKind>> kinds = {
        {"record", StepKind::Record}, {"list", StepKind::List}, {"table", StepKind::Table},
        {"text", StepKind::Text},     {"chart", StepKind::Chart}};
    return kinds;
}

const std::vector<std::pair<std::string, int32_t>>& labelNames() {
    static const std::vector<std::pair<std::string, int32_t>> names = {
        {"none", -4142}, {"value", 2}, {"percent", 3}, {"label", 4}, {"label-and-percent", 5}};
    return names;
}

template <class T>
std::string nameList(const std::vector<std::pair<std::string, T>>& names) {
    std::string text;
    for (const auto& [name, value] : names) text += (text.empty() ? "" : ", ") + name;
    return text;
}

template <class T>
std::optional<T> named(Checker& checker, const json& step, const std::string& where, const std::string& key,
                       const std::vector<std::pair<std::string, T>>& names) {
    auto text = checker.text(step, where, key, false);
    if (!text) return std::nullopt;
    for (const auto& [name, value] : names) {
        if (name == *text) return value;
    }
    checker.problem(Checker::join(where, key), "unknown: '" + *text + "'; one of " + nameList(names));
    return std::nullopt;
}

void readChart(Checker& checker, const json& value, const std::string& where, Step& step) {
    step.chartName = checker.text(value, where, "name", false).value_or("");
    step.chartType = named(checker, value, where, "type", chartTypeNames()).value_or(0);
    step.title = checker.text(value, where, "title", false);
    step.legend = checker.flag(value, where, "legend");
    step.labels = named(checker, value, where, "labels", labelNames());
    step.range = checker.text(value, where, "range", false).value_or("");
    step.rangeSheet = checker.text(value, where, "range_sheet", false).value_or(step.sheet);
    if (auto by = checker.text(value, where, "series_in", false)) {
        if (*by != "columns" && *by != "rows") checker.problem(Checker::join(where, "series_in"), "must be \"columns\" or \"rows\"");
        step.seriesInColumns = *by != "rows";
    }
    if (step.range.empty() == !step.data.has_value()) {
        checker.problem(where, "a chart takes its data from \"source\" and \"query\", or from \"range\": one of the two");
    }
}

std::optional<Step> readStep(Checker& checker, const json& value, const std::string& where,
                             const std::map<std::string, Source>& sources) {
    if (!value.is_object()) {
        checker.problem(where, "must be an object such as {\"list\": \"SHEET\", ...}, not " + Checker::typeName(value));
        return std::nullopt;
    }
    std::vector<std::pair<std::string, StepKind>> kinds;
    for (const auto& kind : stepKinds()) {
        if (value.contains(kind.first)) kinds.push_back(kind);
    }
    if (kinds.size() != 1) {
        checker.problem(where, kinds.empty() ? "unknown step: it names none of " + nameList(stepKinds())
                                             : "names more than one step kind");
        return std::nullopt;
    }
    Step step;
    step.kind = kinds.front().second;
    step.key = where;
    step.sheet = checker.text(value, where, kinds.front().first, true).value_or("");
    std::set<std::string> known = {kinds.front().first};
    switch (step.kind) {
        case StepKind::Record:
        case StepKind::List:
            known.insert({"source", "query", "select", "values"});
            if (step.kind == StepKind::List) known.insert("show_zeros");
            step.data = readData(checker, value, where, sources, step.kind == StepKind::List);
            step.values = checker.textMap(value, where, "values");
            step.showZeros = checker.flag(value, where, "show_zeros").value_or(false);
            if (step.kind == StepKind::Record && !step.data && step.values.empty()) {
                checker.problem(where, "a record step needs \"source\" with a query, or \"values\"");
            }
            break;
        case StepKind::Table:
            known.insert({"source", "query", "select", "title", "row", "column"});
            step.data = readData(checker, value, where, sources, true);
            step.title = checker.text(value, where, "title", false);
            step.row = checker.number(value, where, "row", 1, 1048576).value_or(1);
            step.column = checker.number(value, where, "column", 1, 16384).value_or(1);
            break;
        case StepKind::Text:
            known.insert({"cells", "values"});
            step.cells = checker.textMap(value, where, "cells");
            step.values = checker.textMap(value, where, "values");
            if (step.cells.empty() && step.values.empty()) checker.problem(where, "a text step needs \"cells\" or \"values\"");
            break;
        case StepKind::Chart:
            known.insert({"source", "query", "select", "name", "type", "title", "legend", "labels", "range",
                          "range_sheet", "series_in"});
            step.data = readData(checker, value, where, sources, false);
            if (step.data && !isSql(step.data->kind)) {
                checker.problem(Checker::join(where, "source"), "a chart's data comes from an SQL source (SQLite or ODBC)");
            }
            readChart(checker, value, where, step);
            break;
    }
    checker.allowOnly(value, where, known);
    if (step.sheet.empty() && value.at(kinds.front().first).is_string()) {
        checker.problem(Checker::join(where, kinds.front().first), "must name a sheet");
    }
    return step;
}

void readOutput(Checker& checker, const json& root, const std::optional<fs::path>& output, Job& job) {
    auto text = checker.text(root, "", "output", !output);
    if (output) {
        job.output = fs::absolute(*output).lexically_normal();
    } else if (text) {
        job.output = checker.resolve(*text);
    }
    auto format = checker.text(root, "", "format", false);
    const std::string extension = job.output.extension().string();
    job.html = format ? *format == "html" : (extension == ".html" || extension == ".htm");
    if (format && *format != "html" && *format != "xlsx") checker.problem("format", "must be \"xlsx\" or \"html\"");
    if (job.output.empty()) return;
    const fs::path folder = job.output.parent_path();
    if (!fs::is_directory(folder)) checker.fileProblem(folder, "output", "the output folder does not exist");
    if (fs::is_directory(job.output)) checker.fileProblem(job.output, "output", "is a folder");
}

}  // namespace

std::string describe(const Problem& problem) {
    std::string text = problem.file;
    if (!problem.key.empty()) text += ": " + problem.key;
    return text + ": " + problem.reason;
}

JobError::JobError(std::vector<Problem> problems)
    : std::runtime_error(problems.empty() ? "" : describe(problems.front())), problems_(std::move(problems)) {}

const std::vector<std::pair<std::string, int32_t>>& chartTypeNames() {
    namespace type = host::charttype;
    static const std::vector<std::pair<std::string, int32_t>> names = {
        {"column", type::kColumnClustered}, {"stacked-column", type::kColumnStacked},
        {"bar", type::kBarClustered},       {"line", type::kLine},
        {"line-markers", type::kLineMarkers}, {"pie", type::kPie},
        {"doughnut", type::kDoughnut},      {"area", type::kArea},
        {"scatter", type::kXYScatter},      {"radar", type::kRadar}};
    return names;
}

Job loadJob(const fs::path& jobFile, const std::optional<fs::path>& output) {
    const json root = parseJobFile(jobFile);
    Checker checker(jobFile);
    if (!root.is_object()) throw JobError({{jobFile.string(), "", "must hold one JSON object"}});
    checker.allowOnly(root, "", {"template", "output", "format", "keep_unused_sheets", "sources", "steps"});
    Job job;
    job.file = jobFile;
    if (auto path = checker.text(root, "", "template", true)) {
        job.templateFile = checker.resolve(*path);
        if (!fs::is_regular_file(job.templateFile)) checker.fileProblem(job.templateFile, "template", "does not exist");
    }
    readOutput(checker, root, output, job);
    job.keepUnusedSheets = checker.flag(root, "", "keep_unused_sheets").value_or(false);
    const auto sources = readSources(checker, root);
    auto steps = root.find("steps");
    if (steps == root.end() || !steps->is_array() || steps->empty()) {
        checker.problem("steps", steps == root.end() ? "missing" : "must be a list of one step or more");
    } else {
        for (size_t i = 0; i < steps->size(); ++i) {
            if (auto step = readStep(checker, (*steps)[i], "steps[" + std::to_string(i) + "]", sources)) {
                job.steps.push_back(std::move(*step));
            }
        }
    }
    if (!checker.problems().empty()) throw JobError(checker.problems());
    return job;
}

}  // namespace tavlora::runner
