#pragma once
#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace tavlora::test {

// The bundled example's folder (template, database, XML data).
inline const std::filesystem::path kSalesExample =
    std::filesystem::path(TAVLORA_SOURCE_DIR) / "examples" / "sales_report";

// The shared sample workbooks (read-only).
std::filesystem::path fixtureDir();
std::filesystem::path fixture(const std::string& name);

// A fresh, empty folder for one test; removed when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path file(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

// The whole content of a file, "" when it cannot be read.
std::string contentOf(const std::filesystem::path& path);
// The names in a folder, sorted.
std::vector<std::string> filesIn(const std::filesystem::path& folder);

// Runs `body` in a child process whose files cannot grow past `bytes`, so that writes fail there
// and nowhere else; answers the exit status `body` returned (-1 when the child did not exit).
int exitStatusWithFileSizeLimit(size_t bytes, const std::function<int()>& body);

// Runs a Python snippet with Debian's python3 (where openpyxl lives); returns its stdout.
// Fails the calling test when the snippet exits non-zero.
std::string runPython(const std::string& script);

// True when the independent readers used by cross-checks are installed.
bool haveOpenpyxl();

}  // namespace tavlora::test
