#pragma once
#include <filesystem>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

// A report described by a job file (JSON): the template, the output, the data sources and the
// steps that fill the template. Loading checks the whole job before anything runs, so a user sees
// every mistake at once rather than one per run.
namespace tavlora::runner {

namespace fs = std::filesystem;

// One thing wrong with a job: the file it concerns, the key inside the job ("steps[2].query"), why.
struct Problem {
    std::string file;
    std::string key;
    std::string reason;
};

std::string describe(const Problem& problem);

class JobError : public std::runtime_error {
public:
    explicit JobError(std::vector<Problem> problems);
    const std::vector<Problem>& problems() const { return problems_; }

private:
    std::vector<Problem> problems_;
};

enum class SourceKind { Sqlite, Odbc, Xml };

// SQLite files and ODBC connections are both queried with SQL.
inline bool isSql(SourceKind kind) { return kind != SourceKind::Xml; }

struct Source {
    SourceKind kind = SourceKind::Sqlite;
    fs::path file;           // SQLite, XML
    std::string connection;  // ODBC: the connection string
};

// Where a step's records come from: an SQL query of an SQLite or ODBC source, or an XPath
// selection of an XML source (relative to the root element).
struct DataRef {
    std::string source;
    SourceKind kind = SourceKind::Sqlite;
    fs::path file;
    std::string connection;
    std::string query;
};

using TextPairs = std::vector<std::pair<std::string, std::string>>;

enum class StepKind { Record, List, Table, Text, Chart };

struct Step {
    StepKind kind = StepKind::Record;
    std::string key;    // "steps[2]", for messages
    std::string sheet;
    std::optional<DataRef> data;
    TextPairs values;   // record, list: placeholder values; text: %name% replacements
    TextPairs cells;    // text: address -> text
    bool showZeros = false;             // list
    std::optional<std::string> title;   // table: title row; chart: chart title
    int32_t row = 1, column = 1;        // table
    std::string chartName;              // chart: embedded chart name; "" = a chart sheet
    int32_t chartType = 0;
    std::string range;                  // chart: a block of cells instead of data
    std::string rangeSheet;
    bool seriesInColumns = true;
    std::optional<bool> legend;
    std::optional<int32_t> labels;
};

struct Job {
    fs::path file;
    fs::path templateFile;
    fs::path output;
    bool html = false;
    bool keepUnusedSheets = false;
    std::vector<Step> steps;
};

// Reads and checks a job file. Relative paths in it are relative to the job file's folder;
// `output`, when given, replaces the job's output. Throws JobError listing every problem.
Job loadJob(const fs::path& jobFile, const std::optional<fs::path>& output = std::nullopt);

// The chart type names a job may use, with the numbers the chart class takes.
const std::vector<std::pair<std::string, int32_t>>& chartTypeNames();

}  // namespace tavlora::runner
