#include "support/ToolRun.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "support/TestPaths.h"

namespace tavlora::test {

ToolRun runProgram(const std::string& program, const std::vector<std::string>& args) {
    TempDir scratch;
    std::filesystem::path errPath = scratch.file("stderr");
    int pipeFds[2];
    if (pipe(pipeFds) != 0) {
        ADD_FAILURE() << "pipe";
        return {};
    }
    std::vector<std::string> argv = {program};
    argv.insert(argv.end(), args.begin(), args.end());
    pid_t child = fork();
    if (child == 0) {
        int errFd = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(pipeFds[1], STDOUT_FILENO);
        dup2(errFd, STDERR_FILENO);
        close(pipeFds[0]);
        std::vector<char*> raw;
        for (auto& a : argv) raw.push_back(a.data());
        raw.push_back(nullptr);
        execv(raw[0], raw.data());
        _exit(127);
    }
    close(pipeFds[1]);
    ToolRun run;
    char buffer[4096];
    ssize_t n;
    while ((n = read(pipeFds[0], buffer, sizeof buffer)) > 0) run.out.append(buffer, static_cast<size_t>(n));
    close(pipeFds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.err = contentOf(errPath);
    return run;
}

}  // namespace tavlora::test
