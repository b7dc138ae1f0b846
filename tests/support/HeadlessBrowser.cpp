#include "support/HeadlessBrowser.h"

#include <sstream>

#include "support/TestPaths.h"

namespace tavlora::test {

ToolRun runBrowser(const std::filesystem::path& page, const std::vector<std::string>& args) {
    TempDir profile;
    std::vector<std::string> all = {"--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                                    // Without these it calls home, and the closed network refuses it.
                                    "--disable-background-networking", "--disable-component-update", "--disable-sync",
                                    "--user-data-dir=" + profile.path().string(), "--enable-logging=stderr", "--v=0"};
    all.insert(all.end(), args.begin(), args.end());
    all.push_back("file://" + std::filesystem::absolute(page).string());
    return runProgram(kBrowser, all);
}

std::string policyViolations(const ToolRun& run) {
    std::istringstream lines(run.err);
    std::string line, found;
    while (std::getline(lines, line))
        if (line.find("Content Security Policy") != std::string::npos) found += line + "\n";
    return found;
}

}  // namespace tavlora::test
