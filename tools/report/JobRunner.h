#pragma once
#include <cstdio>
#include <stdexcept>
#include <string>

#include "Job.h"

// Runs a checked job through the five classes exactly as an automation client does: objects
// created by ProgID and every member reached by name, so a job exercises the published interface.
namespace tavlora::runner {

// A step that could not be completed; what() names the step, the member and the reason.
class StepFailed : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Lists of at least this many records report their progress.
constexpr int64_t kProgressThreshold = 5000;

// Fills the template and saves the output. The template is never written; the output appears (or
// replaces the old one) only when every step succeeded. Progress and step lines go to `log` (may
// be null). Throws StepFailed.
void runJob(const Job& job, std::FILE* log);

}  // namespace tavlora::runner
