#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

#include "com/Error.h"
#include "host/xlsx/PackageReader.h"
#include "support/TestPaths.h"
#include "support/XlsxTestSupport.h"

namespace tavlora::test {
namespace {

constexpr long kMemoryCapKiB = 300 * 1024;

// A resident-set figure of this process from /proc/self/status, in KiB.
long statusKiB(const std::string& field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.starts_with(field + ":")) return std::stol(line.substr(field.size() + 1));
    return -1;
}

struct ChildOutcome {
    bool exited = false;
    long growthKiB = -1;  // how far the child's peak resident set rose over its start
    std::string message;  // the host error, "" when the workbook opened
};

// Opens the file in a child process that may not grow by more than the cap: an address-space
// limit where the sanitizers leave room for one, and its peak resident set measured always.
ChildOutcome openInChild(const std::filesystem::path& path) {
    int channel[2];
    if (pipe(channel) != 0) return {};
    pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        long before = statusKiB("VmRSS");
#if !defined(__SANITIZE_ADDRESS__)
        rlimit cap{};
        long vm = statusKiB("VmSize");
        cap.rlim_cur = cap.rlim_max = static_cast<rlim_t>(vm + kMemoryCapKiB) * 1024;
        setrlimit(RLIMIT_AS, &cap);
#endif
        std::string message;
        try {
            auto workbook = emptyWorkbook();
            host::xlsx::readWorkbook(path.string(), *workbook);
        } catch (const com::Error& error) {
            message = error.what();
        } catch (const std::exception& error) {
            message = std::string("unexpected: ") + error.what();
        }
        std::string report = std::to_string(statusKiB("VmHWM") - before) + "\n" + message;
        ssize_t written = write(channel[1], report.data(), report.size());
        _exit(written == static_cast<ssize_t>(report.size()) ? 0 : 1);
    }
    close(channel[1]);
    std::string report;
    char buffer[4096];
    for (ssize_t n; (n = read(channel[0], buffer, sizeof buffer)) > 0;) report.append(buffer, static_cast<size_t>(n));
    close(channel[0]);
    int status = 0;
    waitpid(child, &status, 0);
    ChildOutcome outcome;
    outcome.exited = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    size_t newline = report.find('\n');
    if (newline != std::string::npos) {
        outcome.growthKiB = std::stol(report.substr(0, newline));
        outcome.message = report.substr(newline + 1);
    }
    return outcome;
}

// Writes a package whose worksheet holds `megabytes` MiB of blanks inside a comment, packed by
// Python's zipfile in a stream, so that the test never holds the unpacked bytes.
void writeBomb(const std::filesystem::path& path, size_t megabytes) {
    std::string script =
        "import sys, zipfile\n"
        "z = zipfile.ZipFile(sys.argv[1], 'a', zipfile.ZIP_DEFLATED)\n"
        "with z.open('xl/worksheets/sheet2.xml', 'w', force_zip64=True) as f:\n"
        "    f.write(b'<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><!--')\n"
        "    chunk = (b'abcdefghijklmnopqrstuvwxyz0123456789 ' * 28340)[:1048576]\n"
        "    for _ in range(int(sys.argv[2])): f.write(chunk)\n"
        "    f.write(b'--></worksheet>')\n"
        "z.close()\n";
    writeZip(path, minimalPackage());
    std::ofstream(path.string() + ".py") << script;
    ASSERT_EQ(runCommand("/usr/bin/python3 '" + path.string() + ".py' '" + path.string() + "' " + std::to_string(megabytes)), 0);
}

// Overwrites the declared packed and unpacked sizes of an entry in its local header and in the
// directory.
void declareSizes(const std::filesystem::path& path, const std::string& entry, uint32_t packed, uint32_t size) {
    std::string bytes = contentOf(path);
    auto patch = [&](const std::string& signature, size_t nameOffset, size_t packedOffset) {
        for (size_t at = bytes.find(signature); at != std::string::npos; at = bytes.find(signature, at + 1)) {
            if (bytes.compare(at + nameOffset, entry.size(), entry) != 0) continue;
            for (int i = 0; i < 4; ++i) {
                bytes[at + packedOffset + i] = static_cast<char>((packed >> (8 * i)) & 0xFF);
                bytes[at + packedOffset + 4 + i] = static_cast<char>((size >> (8 * i)) & 0xFF);
            }
        }
    };
    patch(std::string("PK\x03\x04", 4), 30, 18);
    patch(std::string("PK\x01\x02", 4), 46, 20);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

class MemoryLimit : public ::testing::Test {
protected:
    TempDir dir_;
};

TEST_F(MemoryLimit, DeclaredSizesCostNothingBeyondTheBytesThatUnpack) {
    auto path = dir_.file("declares.xlsx");
    writeZip(path, minimalPackage());
    declareSizes(path, "xl/sharedStrings.xml", 2u << 20, 200u << 20);
    ChildOutcome outcome = openInChild(path);
    ASSERT_TRUE(outcome.exited);
    EXPECT_LT(outcome.growthKiB, 64 * 1024);
    // The part's data ends long before the declared size; what is there is read.
    EXPECT_EQ(outcome.message, "");
}

TEST_F(MemoryLimit, BombsBeyondTheTotalLimitAreRefusedUnderTheCap) {
    for (size_t megabytes : {1400, 300}) {
        SCOPED_TRACE(megabytes);
        auto path = dir_.file("bomb" + std::to_string(megabytes) + ".xlsx");
        writeBomb(path, megabytes);
        ChildOutcome outcome = openInChild(path);
        ASSERT_TRUE(outcome.exited);
        EXPECT_LT(outcome.growthKiB, kMemoryCapKiB);
        EXPECT_THAT(outcome.message, ::testing::HasSubstr("beyond the limit (a zip bomb?)"));
    }
}

TEST_F(MemoryLimit, APackageWithinTheLimitOpensUnderTheCap) {
    auto path = dir_.file("large.xlsx");
    writeBomb(path, 100);
    ChildOutcome outcome = openInChild(path);
    ASSERT_TRUE(outcome.exited);
    EXPECT_EQ(outcome.message, "");
    EXPECT_LT(outcome.growthKiB, kMemoryCapKiB);
}

}  // namespace
}  // namespace tavlora::test
