#pragma once
#include <cstdint>
#include <optional>

#include "host/formula/FormulaValue.h"
#include "host/formula/functions/LookupGrid.h"

// Finding a value in a row or column as the lookup functions do. Only values of the key's kind
// are candidates (numbers, texts or booleans; texts compared ignoring letter case); blanks and
// errors never match.
namespace tavlora::host::formula {

enum class MatchMode : uint8_t {
    Exact,
    ExactOrSmaller,  // else the largest value below the key
    ExactOrLarger,   // else the smallest value above the key
    Wildcard,        // exact, a text key read as a pattern ("*", "?", "~")
};

enum class SearchMode : uint8_t {
    FirstToLast,
    LastToFirst,
    // Binary search of data sorted ascending (descending), as the approximate lookups do: on
    // unsorted data it finds what a binary search finds, like the application.
    BinaryAscending,
    BinaryDescending,
};

// The 0-based index of the match in `line` (REQUIRES: line.isLine()), or nullopt.
std::optional<int64_t> findInLine(const LookupGrid& line, const Value& key, MatchMode match, SearchMode search);

}  // namespace tavlora::host::formula
