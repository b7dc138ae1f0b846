#include "host/cells/StringPool.h"

#include <cstring>

namespace tavlora::host {

namespace {

// Every text a cell is given is hashed, most of them a few words long: eight bytes at a time,
// each mixed in by a multiply and a shift, the tail byte by byte. Only the table's probing sees
// the value, so it need not match any other hash.
uint32_t hashOf(std::string_view text) {
    uint64_t hash = 0x9E3779B97F4A7C15ull ^ text.size();
    const char* at = text.data();
    size_t left = text.size();
    for (; left >= 8; at += 8, left -= 8) {
        uint64_t word;
        std::memcpy(&word, at, 8);
        hash = (hash ^ word) * 0xBF58476D1CE4E5B9ull;
        hash ^= hash >> 31;
    }
    if (left != 0) {
        uint64_t tail = 0;
        for (size_t i = 0; i < left; ++i) tail |= uint64_t(static_cast<unsigned char>(at[i])) << (8 * i);
        hash = (hash ^ tail) * 0x94D049BB133111EBull;
        hash ^= hash >> 29;
    }
    hash *= 0xBF58476D1CE4E5B9ull;
    return static_cast<uint32_t>(hash ^ (hash >> 32));
}

uint64_t slotOf(uint32_t hash, uint32_t id) { return (uint64_t(hash) << 32) | (uint64_t(id) + 1); }

}  // namespace

uint32_t StringPool::intern(std::string_view text) {
    if ((plainCount_ + 1) * 2 > slots_.size()) grow();
    const uint32_t hash = hashOf(text);
    const size_t mask = slots_.size() - 1;
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
        const uint64_t slot = slots_[i];
        if (slot == 0) {
            auto id = static_cast<uint32_t>(texts_.size());
            texts_.emplace_back(text);
            slots_[i] = slotOf(hash, id);
            ++plainCount_;
            return id;
        }
        if (uint32_t(slot >> 32) == hash) {
            auto id = static_cast<uint32_t>(slot & 0xFFFFFFFFu) - 1;
            if (texts_[id] == text) return id;
        }
    }
}

uint32_t StringPool::addRich(std::string plainText, std::string runsXml) {
    auto id = static_cast<uint32_t>(texts_.size());
    texts_.emplace_back(std::move(plainText));
    richXml_.emplace(id, std::move(runsXml));
    return id;
}

const std::string& StringPool::richXml(uint32_t id) const {
    if (richXml_.empty()) return noRuns_;  // the save asks for every text
    auto found = richXml_.find(id);
    return found == richXml_.end() ? noRuns_ : found->second;
}

void StringPool::grow() {
    auto old = std::move(slots_);
    slots_.assign(old.empty() ? 64 : old.size() * 2, 0);
    for (uint64_t slot : old)
        if (slot != 0) place(slot);
}

void StringPool::place(uint64_t slot) {
    const size_t mask = slots_.size() - 1;
    size_t i = uint32_t(slot >> 32) & mask;
    while (slots_[i] != 0) i = (i + 1) & mask;
    slots_[i] = slot;
}

}  // namespace tavlora::host
