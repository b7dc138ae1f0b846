#include "host/formula/AreaListeners.h"

namespace tavlora::host::formula {

namespace {

struct Span {
    uint32_t node;
    int32_t first;
    int32_t last;
};

}  // namespace

void AreaListeners::add(const Area& area, uint32_t listener) {
    Entry entry{static_cast<uint16_t>(area.firstColumn), static_cast<uint16_t>(area.lastColumn), listener};
    std::vector<Span> work{{1, 1, kSpan}};
    while (!work.empty()) {
        Span s = work.back();
        work.pop_back();
        if (s.last < area.firstRow || s.first > area.lastRow) continue;
        if (area.firstRow <= s.first && s.last <= area.lastRow) {
            entries_[s.node].push_back(entry);
            for (uint32_t n = s.node; n != 0 && occupied_.insert(n).second; n >>= 1) {}
            continue;
        }
        int32_t middle = s.first + (s.last - s.first) / 2;
        work.push_back({s.node * 2, s.first, middle});
        work.push_back({s.node * 2 + 1, middle + 1, s.last});
    }
}

void AreaListeners::collect(const Area& area, std::vector<uint32_t>& out) const {
    std::vector<Span> work{{1, 1, kSpan}};
    while (!work.empty()) {
        Span s = work.back();
        work.pop_back();
        if (s.last < area.firstRow || s.first > area.lastRow || !occupied_.count(s.node)) continue;
        if (auto it = entries_.find(s.node); it != entries_.end())
            for (const Entry& e : it->second)
                if (e.firstColumn <= area.lastColumn && e.lastColumn >= area.firstColumn) out.push_back(e.listener);
        if (s.first == s.last) continue;
        int32_t middle = s.first + (s.last - s.first) / 2;
        work.push_back({s.node * 2, s.first, middle});
        work.push_back({s.node * 2 + 1, middle + 1, s.last});
    }
}

void AreaListeners::clear() {
    entries_.clear();
    occupied_.clear();
}

}  // namespace tavlora::host::formula
