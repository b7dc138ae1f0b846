#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/LargeBlocks.h"
#include "host/cells/ChunkedList.h"

namespace tavlora::host {

// The workbook's texts, de-duplicated by hash, in insertion order (this becomes the shared
// strings part). Rich texts keep their run XML so they survive a round trip; their plain text is
// what the model reads.
//
// Every text written to a cell passes through intern(), so the lookup is an open-addressing table
// of (hash, id) pairs in one array: a miss touches one slot, a hit one slot and the text, and
// nothing is allocated per text but the text itself.
class StringPool {
public:
    uint32_t intern(std::string_view text);
    // A rich text read from a file: never merged with a plain text of the same characters.
    uint32_t addRich(std::string plainText, std::string runsXml);

    const std::string& text(uint32_t id) const { return texts_[id]; }
    // The <r> runs (inner XML of <si>) for a rich text, "" for a plain one.
    const std::string& richXml(uint32_t id) const;
    uint32_t size() const { return static_cast<uint32_t>(texts_.size()); }

private:
    void grow();
    void place(uint64_t slot);

    // Blocks that never move: references handed out stay valid as it grows, and a long list of
    // texts comes in large pages.
    ChunkedList<std::string, 9> texts_;
    std::unordered_map<uint32_t, std::string> richXml_;  // by id; rich texts are few
    std::string noRuns_;
    // Each slot: the text's 32-bit hash in the high half, id + 1 in the low half; 0 = empty.
    // The table is at most half full and its size a power of two; past a million texts or so it
    // is megabytes, written all over at once, so it comes in large pages where they are offered.
    std::vector<uint64_t, base::LargeBlockAllocator<uint64_t>> slots_;
    size_t plainCount_ = 0;
};

}  // namespace tavlora::host
