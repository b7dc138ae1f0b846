#pragma once
#include <cmath>
#include <span>

#include "host/formula/FormulaValue.h"
#include "host/formula/ValueCoercion.h"

// Reading the single-value arguments of worksheet functions. An argument not written at all takes
// the function's default; one written empty ("LEFT(A1,)") arrives as Missing and reads as blank
// (0, "", FALSE), as the application reads it, unless the function says otherwise.
namespace tavlora::host::formula::arguments {

inline bool isAbsent(std::span<const Value> args, size_t index) { return index >= args.size(); }
// Not written, or written empty: both take the default where the application documents that.
inline bool isOmitted(std::span<const Value> args, size_t index) {
    return index >= args.size() || args[index].isMissing();
}

inline Value errorOf(const NumberResult& r) { return Value::error(*r.error); }
inline Value errorOf(const TextResult& r) { return Value::error(*r.error); }
inline Value errorOf(const BooleanResult& r) { return Value::error(*r.error); }

inline NumberResult number(std::span<const Value> args, size_t index, bool date1904, double fallback = 0) {
    if (isAbsent(args, index)) return {fallback, std::nullopt};
    return toNumber(args[index], date1904);
}

// Counts, positions and modes are truncated toward zero; a value no int32 holds is #VALUE!, which
// every such argument gives for a number that far out of its range.
inline NumberResult integer(std::span<const Value> args, size_t index, bool date1904, double fallback = 0) {
    NumberResult r = number(args, index, date1904, fallback);
    if (!r.ok()) return r;
    if (!std::isfinite(r.number) || std::fabs(r.number) > 2147483647.0) return {0, ErrorValue::Value};
    r.number = std::trunc(r.number);
    return r;
}

inline TextResult text(std::span<const Value> args, size_t index, std::string_view fallback = "") {
    if (isAbsent(args, index)) return {std::string(fallback), std::nullopt};
    return toText(args[index]);
}

inline BooleanResult flag(std::span<const Value> args, size_t index, bool fallback) {
    if (isAbsent(args, index)) return {fallback, std::nullopt};
    return toBoolean(args[index]);
}

}  // namespace tavlora::host::formula::arguments
