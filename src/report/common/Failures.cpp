#include "report/common/Failures.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include "com/Error.h"
#include "tavlora/Failures.h"

namespace tavlora::common {

namespace {

// Per-thread by design: a reason belongs to the calls of the thread that made them, and no
// thread's calls can overwrite another's.
struct ThreadFailures {
    std::string last;
    FailureLog log;
    bool logToStandardError = false;
    detail::TrapScope* innermost = nullptr;
    std::string cause;
    std::vector<std::string> absorbed;
};

ThreadFailures& state() {
    thread_local ThreadFailures failures;
    return failures;
}

bool environmentAsksForLog() {
    const char* value = std::getenv("TAVLORA_LOG");
    return value && std::strcmp(value, "1") == 0;
}

void publish(std::string reason) {
    ThreadFailures& s = state();
    if (s.log) {
        s.log(reason);
    } else if (s.logToStandardError || environmentAsksForLog()) {
        std::fprintf(stderr, "tavlora: %s\n", reason.c_str());
    }
    s.last = std::move(reason);
}

void describeInto(std::string& text, const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const std::bad_alloc&) {
        text += "out of memory";
    } catch (const std::exception& e) {
        text += e.what();
        try {
            std::rethrow_if_nested(e);
        } catch (...) {
            text += ": ";
            describeInto(text, std::current_exception());
        }
    } catch (...) {
        text += "an unknown failure";
    }
}

}  // namespace

std::string describeException(const std::exception_ptr& error) {
    std::string text;
    if (error) describeInto(text, error);
    return text;
}

void noteCause(std::string reason) { state().cause = std::move(reason); }

void noteAbsorbed(std::string reason) {
    // One absorbed failure per step is enough to say what went wrong; a long list stops growing.
    constexpr size_t kMostKept = 8;
    auto& absorbed = state().absorbed;
    if (absorbed.size() < kMostKept) absorbed.push_back(std::move(reason));
}

const char* lastFailureText() { return state().last.c_str(); }

void recordFailure(std::string reason) { publish(std::move(reason)); }

void refuse(const std::string& reason) { throw com::Error(com::hr::kInvalidCall, reason); }

namespace detail {

void appendArgument(std::string& text, std::string_view value) {
    text += '"';
    for (char c : value) {
        if (c == '"') text += '"';  // doubled, as in a string literal of the automation language
        text += c;
    }
    text += '"';
}

void appendArgument(std::string& text, bool value) { text += value ? "True" : "False"; }

void appendArgument(std::string& text, int64_t value) { text += std::to_string(value); }

// A scope sets aside the notes of the member around it, so that an inner member's reason is its
// own; the inner member's recorded reason then becomes a cause of the outer one.
TrapScope::TrapScope() : outer_(state().innermost) {
    ThreadFailures& s = state();
    s.innermost = this;
    savedCause_ = std::move(s.cause);
    savedAbsorbed_ = std::move(s.absorbed);
    s.cause.clear();
    s.absorbed.clear();
}

TrapScope::~TrapScope() {
    ThreadFailures& s = state();
    s.innermost = outer_;
    if (!outer_) {
        s.cause.clear();
        s.absorbed.clear();
        return;
    }
    if (s.cause.empty()) s.cause = std::move(savedCause_);
    savedAbsorbed_.insert(savedAbsorbed_.end(), s.absorbed.begin(), s.absorbed.end());
    s.absorbed = std::move(savedAbsorbed_);
}

bool TrapScope::hasNotes() const { return !state().absorbed.empty(); }

void TrapScope::finish(const std::string& call, bool failed, const std::exception_ptr& error) {
    ThreadFailures& s = state();
    std::string reason;
    if (failed) {
        reason = call + ": ";
        if (error) {
            reason += describeException(error);
        } else if (!s.cause.empty()) {
            reason += s.cause;
        } else {
            reason += "failed";
        }
        if (error && !s.cause.empty() && reason.find(s.cause) == std::string::npos) reason += " (after: " + s.cause + ")";
    }
    for (const auto& absorbed : s.absorbed) {
        std::string line = call + ": " + absorbed + " (absorbed)";
        if (!failed) {
            publish(std::move(line));
        } else {
            reason += "; also " + absorbed;
        }
    }
    s.absorbed.clear();
    s.cause.clear();
    if (failed) {
        if (outer_) s.cause = reason;
        publish(std::move(reason));
    }
}

}  // namespace detail

}  // namespace tavlora::common

namespace tavlora {

std::string lastFailure() { return common::state().last; }

void clearLastFailure() { common::state().last.clear(); }

void setFailureLog(FailureLog log) { common::state().log = std::move(log); }

void logFailuresToStandardError() {
    common::ThreadFailures& s = common::state();
    s.log = nullptr;
    s.logToStandardError = true;
}

}  // namespace tavlora
