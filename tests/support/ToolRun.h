#pragma once
#include <string>
#include <vector>

namespace tavlora::test {

struct ToolRun {
    int status = -1;  // exit status; -1 when the program did not exit normally
    std::string out;
    std::string err;
};

// Runs a program without a shell, in the current folder: stdout through a pipe, stderr into a file.
ToolRun runProgram(const std::string& program, const std::vector<std::string>& args);

}  // namespace tavlora::test
