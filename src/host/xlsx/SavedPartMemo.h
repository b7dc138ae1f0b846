#pragma once
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

namespace tavlora::host::xlsx {

// Deflated forms of the parts that reports made from one template write alike every time (styles,
// the workbook part, content types, relationships, charts left as they were): the first save
// deflates such a part, the saves after it copy that form when their bytes are the same. A part is
// only ever taken for bytes equal to those it was deflated from, so a report that changed a part
// gets its own. Shared by every workbook opened from one cached template, on any thread.
class SavedPartMemo {
public:
    struct Part {
        std::string bytes;
        std::string deflated;  // a raw deflate stream of `bytes`
        uint32_t crc = 0;
    };

    // Parts larger than this are not kept: they are sheets and lists, different in every report.
    static constexpr size_t kLargestPart = size_t(256) << 10;

    explicit SavedPartMemo(size_t byteBudget = size_t(4) << 20) : byteBudget_(byteBudget) {}

    // The kept part named `name` when it holds exactly `bytes`; null otherwise.
    std::shared_ptr<const Part> find(const std::string& name, std::string_view bytes) const;
    // Keeps `part` under `name` in place of the one kept before, within the byte budget.
    void keep(const std::string& name, std::shared_ptr<const Part> part);
    size_t heldBytes() const;

private:
    const size_t byteBudget_;
    mutable std::mutex mutex_;  // guards everything below; held for a lookup, never for a deflate
    std::unordered_map<std::string, std::shared_ptr<const Part>> parts_;
    size_t heldBytes_ = 0;
};

}  // namespace tavlora::host::xlsx
