#pragma once
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "host/cells/CellRef.h"

namespace tavlora::host {

// What searches of one template sheet's values found, shared by the sheets copied from it (on any
// thread): a copy whose cells are unchanged since the copy finds the same cells again without
// rendering every used cell. What a formula shows depends on other cells, other sheets and the
// time, so formula cells are kept as candidates that every search compares again.
class FindMemo {
public:
    struct Candidate {
        int32_t row;
        int32_t column;
        bool formula;  // compared again by every search; the other candidates are hits
    };
    using Candidates = std::vector<Candidate>;

    // The candidates kept for a search of `what` in `area`, in the search's order; null when none.
    std::shared_ptr<const Candidates> find(const std::string& what, const Area& area) const;
    // Keeps the candidates of a search of unchanged cells; the first kept for `what` and `area`
    // stays, and a memo keeps a few searches only, of at most kMostCandidates candidates each (a
    // template of many formulas is searched in full every time rather than held twice).
    void keep(const std::string& what, const Area& area, Candidates candidates);
    static constexpr size_t kMostCandidates = 65536;

private:
    static constexpr size_t kMostSearches = 8;
    struct Search {
        std::string what;
        Area area;
        std::shared_ptr<const Candidates> candidates;
    };
    mutable std::mutex mutex_;  // guards searches_
    std::vector<Search> searches_;
};

}  // namespace tavlora::host
