#include "host/formula/functions/LookupSearch.h"

#include "host/formula/TextPattern.h"
#include "host/formula/ValueCoercion.h"

namespace tavlora::host::formula {

namespace {

bool comparable(const Value& cell, const Value& key) {
    return cell.kind() == key.kind() && (cell.isNumber() || cell.isText() || cell.isBoolean());
}

// The searchable elements: past the used part every cell is blank and never matches.
class Candidates {
public:
    Candidates(const LookupGrid& line, const Value& key) : line_(line), key_(key), size_(line.usedLength()) {}
    int64_t size() const { return size_; }
    // The element when it is of the key's kind.
    std::optional<Value> at(int64_t index) const {
        Value v = line_.element(index);
        if (!comparable(v, key_)) return std::nullopt;
        return v;
    }
    int compare(const Value& cell) const { return compareValues(cell, key_); }

private:
    const LookupGrid& line_;
    const Value& key_;
    int64_t size_;
};

// The number of leading elements for which `before` holds, in data ordered so that it holds for a
// prefix; elements of other kinds are stepped over, the nearest candidate standing in for them.
template <typename Before>
int64_t partitionPoint(const Candidates& c, Before before) {
    int64_t lo = 0, hi = c.size();
    while (lo < hi) {
        int64_t mid = lo + (hi - lo) / 2;
        int64_t probe = mid;
        std::optional<Value> v;
        while (probe >= lo && !(v = c.at(probe))) --probe;
        if (!v) {
            for (probe = mid + 1; probe < hi && !(v = c.at(probe));) ++probe;
            if (!v) return lo;  // nothing of the key's kind left between lo and hi
        }
        if (before(*v)) lo = std::max(probe, mid) + 1;
        else hi = probe;
    }
    return lo;
}

std::optional<int64_t> lastCandidateBefore(const Candidates& c, int64_t end) {
    for (int64_t i = end - 1; i >= 0; --i)
        if (c.at(i)) return i;
    return std::nullopt;
}

std::optional<int64_t> firstCandidateFrom(const Candidates& c, int64_t start) {
    for (int64_t i = start; i < c.size(); ++i)
        if (c.at(i)) return i;
    return std::nullopt;
}

std::optional<int64_t> binarySearch(const Candidates& c, MatchMode match, bool ascending) {
    // Ascending data: the smaller values come first; descending: the larger ones.
    int sign = ascending ? 1 : -1;
    std::optional<int64_t> found;
    bool towardSmaller = match == MatchMode::ExactOrSmaller;
    if (towardSmaller == ascending) {
        // The last element on the key's side of the order, equal ones included.
        found = lastCandidateBefore(c, partitionPoint(c, [&](const Value& v) { return sign * c.compare(v) <= 0; }));
    } else {
        found = firstCandidateFrom(c, partitionPoint(c, [&](const Value& v) { return sign * c.compare(v) < 0; }));
    }
    if (found && (match == MatchMode::Exact || match == MatchMode::Wildcard) && c.compare(*c.at(*found)) != 0)
        return std::nullopt;
    return found;
}

std::optional<int64_t> linearSearch(const Candidates& c, const Value& key, MatchMode match, bool forward) {
    std::optional<TextPattern> pattern;
    if (match == MatchMode::Wildcard && key.isText())
        pattern.emplace(key.asText(), TextPattern::Extent::WholeText);
    std::optional<int64_t> best;
    std::optional<Value> bestValue;
    for (int64_t step = 0; step < c.size(); ++step) {
        int64_t i = forward ? step : c.size() - 1 - step;
        std::optional<Value> v = c.at(i);
        if (!v) continue;
        if (pattern ? pattern->matches(v->asText()) : c.compare(*v) == 0) return i;
        bool candidate = (match == MatchMode::ExactOrSmaller && c.compare(*v) < 0) ||
                         (match == MatchMode::ExactOrLarger && c.compare(*v) > 0);
        if (!candidate) continue;
        int order = bestValue ? compareValues(*v, *bestValue) : 0;
        if (!bestValue || (match == MatchMode::ExactOrSmaller ? order > 0 : order < 0)) {
            best = i;
            bestValue = v;
        }
    }
    return best;
}

}  // namespace

std::optional<int64_t> findInLine(const LookupGrid& line, const Value& key, MatchMode match, SearchMode search) {
    if (!(key.isNumber() || key.isText() || key.isBoolean())) return std::nullopt;
    Candidates candidates(line, key);
    switch (search) {
        case SearchMode::BinaryAscending: return binarySearch(candidates, match, true);
        case SearchMode::BinaryDescending: return binarySearch(candidates, match, false);
        case SearchMode::LastToFirst: return linearSearch(candidates, key, match, false);
        default: return linearSearch(candidates, key, match, true);
    }
}

}  // namespace tavlora::host::formula
