#pragma once
// The one place where members trap their failures and record why (the per-thread state behind
// tavlora/Failures.h). A member wraps its body in trapFailure; operations below it that answer
// "none" or false instead of raising say why with noteCause, and a failure that a step absorbs
// without changing the answer (a refused chart type) is kept with noteAbsorbed.
#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <vector>

namespace tavlora::common {

// The text of an exception and of the exceptions nested in it, outermost first, ": " between.
std::string describeException(const std::exception_ptr& error);

// Says why the operation now answering "none" or false failed; the innermost member that traps
// takes it as its reason when it answers its failure value.
void noteCause(std::string reason);
// A failure a step absorbed: recorded by the member around it whatever it answers.
void noteAbsorbed(std::string reason);

// The text behind tavlora::lastFailure, valid until this thread records another failure.
const char* lastFailureText();

// Records a complete reason at once, for a trap that stands outside any member body.
void recordFailure(std::string reason);

// Raises a failure with this reason (for a member body's own refusals: an unknown sheet name).
[[noreturn]] void refuse(const std::string& reason);

namespace detail {

void appendArgument(std::string& text, std::string_view value);
inline void appendArgument(std::string& text, const std::string& value) { appendArgument(text, std::string_view(value)); }
inline void appendArgument(std::string& text, const char* value) { appendArgument(text, std::string_view(value)); }
void appendArgument(std::string& text, bool value);
void appendArgument(std::string& text, int64_t value);
template <class T>
    requires std::is_integral_v<T>
void appendArgument(std::string& text, T value) { appendArgument(text, static_cast<int64_t>(value)); }
template <class T>
void appendArgument(std::string& text, const std::shared_ptr<T>& value) { text += value ? "<object>" : "Nothing"; }

// The state of one trapping member on this thread's stack of them.
class TrapScope {
public:
    TrapScope();
    ~TrapScope();
    TrapScope(const TrapScope&) = delete;
    TrapScope& operator=(const TrapScope&) = delete;
    // Records "call: reason" for a failure answer or an exception (error set), then any
    // absorbed failures; nothing when the member succeeded without absorbing one.
    void finish(const std::string& call, bool failed, const std::exception_ptr& error);
    bool hasNotes() const;

private:
    TrapScope* outer_;
    std::string savedCause_;
    std::vector<std::string> savedAbsorbed_;
};

}  // namespace detail

// A member call as a reason names it, formatted only when a failure is recorded:
// DoBegin("fake.xlsx"), DoA_Chart("Report", 12345, "").
template <class... Args>
class MemberCall {
public:
    MemberCall(const char* name, const Args&... args) : name_(name), args_(args...) {}
    std::string text() const {
        std::string out = name_;
        out += '(';
        std::apply([&out](const Args&... each) {
            bool first = true;
            ((out += first ? "" : ", ", first = false, detail::appendArgument(out, each)), ...);
        }, args_);
        return out + ')';
    }

private:
    const char* name_;
    std::tuple<const Args&...> args_;
};

template <class... Args>
MemberCall<Args...> memberCall(const char* name, const Args&... args) {
    return MemberCall<Args...>(name, args...);
}

// Runs a member body with every failure trapped: an exception answers `failed`; either way the
// reason is recorded when the answer is `failed` and a cause was given, or a step absorbed one.
template <class Result, class Call, class Body>
Result trapFailure(const Call& call, Result failed, Body&& body) {
    detail::TrapScope scope;
    try {
        Result result = body();
        if (result == failed || scope.hasNotes()) scope.finish(call.text(), result == failed, nullptr);
        return result;
    } catch (...) {
        scope.finish(call.text(), true, std::current_exception());
        return failed;
    }
}

// For a member whose failures reach the caller as raised errors: records why it answers `failed`
// and what its steps absorbed, and lets every exception through untouched.
template <class Result, class Call, class Body>
Result explainFailure(const Call& call, Result failed, Body&& body) {
    detail::TrapScope scope;
    Result result = body();
    if (result == failed || scope.hasNotes()) scope.finish(call.text(), result == failed, nullptr);
    return result;
}

}  // namespace tavlora::common
