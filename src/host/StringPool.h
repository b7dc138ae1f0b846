#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <deque>

namespace tavlora::host {

// The workbook's texts, de-duplicated by hash, in insertion order (this becomes the shared
// strings part). Rich texts keep their run XML so they survive a round trip; their plain text is
// what the model reads.
class StringPool {
public:
    uint32_t intern(std::string_view text);
    // A rich text read from a file: never merged with a plain text of the same characters.
    uint32_t addRich(std::string plainText, std::string runsXml);

    const std::string& text(uint32_t id) const { return entries_[id].text; }
    // The <r> runs (inner XML of <si>) for a rich text, "" for a plain one.
    const std::string& richXml(uint32_t id) const { return entries_[id].richXml; }
    uint32_t size() const { return static_cast<uint32_t>(entries_.size()); }

private:
    struct Entry {
        std::string text;
        std::string richXml;
    };
    std::deque<Entry> entries_;  // a deque, so the views below stay valid as it grows
    std::unordered_map<std::string_view, uint32_t> plainIds_;
};

}  // namespace tavlora::host
