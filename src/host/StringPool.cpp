#include "host/StringPool.h"

namespace tavlora::host {

uint32_t StringPool::intern(std::string_view text) {
    auto found = plainIds_.find(text);
    if (found != plainIds_.end()) return found->second;
    auto id = static_cast<uint32_t>(entries_.size());
    entries_.push_back(Entry{std::string(text), {}});
    plainIds_.emplace(std::string_view(entries_.back().text), id);
    return id;
}

uint32_t StringPool::addRich(std::string plainText, std::string runsXml) {
    auto id = static_cast<uint32_t>(entries_.size());
    entries_.push_back(Entry{std::move(plainText), std::move(runsXml)});
    return id;
}

}  // namespace tavlora::host
