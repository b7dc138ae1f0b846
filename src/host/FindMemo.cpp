#include "host/FindMemo.h"

namespace tavlora::host {

std::shared_ptr<const FindMemo::Candidates> FindMemo::find(const std::string& what, const Area& area) const {
    std::lock_guard lock(mutex_);
    for (const Search& search : searches_)
        if (search.area == area && search.what == what) return search.candidates;
    return nullptr;
}

void FindMemo::keep(const std::string& what, const Area& area, Candidates candidates) {
    if (candidates.size() > kMostCandidates) return;
    std::lock_guard lock(mutex_);
    if (searches_.size() >= kMostSearches) return;
    for (const Search& search : searches_)
        if (search.area == area && search.what == what) return;
    searches_.push_back(Search{what, area, std::make_shared<const Candidates>(std::move(candidates))});
}

}  // namespace tavlora::host
