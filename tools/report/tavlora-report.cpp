// tavlora-report JOB.json [--output FILE] [--quiet]: runs the report a job file describes.
// Exit status: 0 the report was written; 1 a step failed (nothing written); 2 the job is invalid.
#include <cstdio>
#include <cstring>
#include <exception>
#include <optional>
#include <string>

#include "Job.h"
#include "JobRunner.h"

namespace {

constexpr const char* kUsage =
    "usage: tavlora-report JOB.json [--output FILE] [--quiet]\n"
    "Fills the template a job file names with its data and writes the report (docs/runner.md).\n";

struct Arguments {
    std::string jobFile;
    std::optional<std::string> output;
    bool quiet = false;
};

std::optional<Arguments> parseArguments(int argc, char** argv) {
    Arguments arguments;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if ((arg == "--output" || arg == "-o") && i + 1 < argc) {
            arguments.output = argv[++i];
        } else if (arg == "--quiet" || arg == "-q") {
            arguments.quiet = true;
        } else if (arg.starts_with("-") || !arguments.jobFile.empty()) {
            return std::nullopt;
        } else {
            arguments.jobFile = arg;
        }
    }
    if (arguments.jobFile.empty()) return std::nullopt;
    return arguments;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace tavlora::runner;
    const auto arguments = parseArguments(argc, argv);
    if (!arguments) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    Job job;
    try {
        std::optional<fs::path> output;
        if (arguments->output) output = fs::path(*arguments->output);
        job = loadJob(arguments->jobFile, output);
    } catch (const JobError& e) {
        std::fprintf(stderr, "tavlora-report: the job cannot run:\n");
        for (const auto& problem : e.problems()) std::fprintf(stderr, "  %s\n", describe(problem).c_str());
        return 2;
    }
    try {
        runJob(job, arguments->quiet ? nullptr : stdout);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tavlora-report: %s\nNothing was written.\n", e.what());
        return 1;
    }
    if (!arguments->quiet) std::printf("wrote %s\n", job.output.string().c_str());
    return 0;
}
