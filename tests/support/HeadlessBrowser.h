#pragma once
#include <filesystem>
#include <string>
#include <vector>

#include "support/ToolRun.h"

namespace tavlora::test {

// Debian's Chromium, run headless as CI runs it (as root, on a closed network), with a fresh
// profile each time. scripts/install-deps installs it.
constexpr const char* kBrowser = "/usr/bin/chromium";

// Loads the page and runs the browser with `args` (--dump-dom, --screenshot=..., ...); stderr
// carries the browser's log, console messages included.
ToolRun runBrowser(const std::filesystem::path& page, const std::vector<std::string>& args);

// The browser's complaints about the page's content security policy, one a line; "" for none.
std::string policyViolations(const ToolRun& run);

}  // namespace tavlora::test
