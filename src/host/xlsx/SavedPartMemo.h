#pragma once
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace tavlora::host::xlsx {

class PartHead;

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
        // What the bytes were made from, spelled whole (never a hash), where that is cheaper to
        // make and compare than the bytes themselves; "" when the part is known by its bytes only.
        std::string inputs;
        // The immutable object the bytes were made from alone (a package listing as read), held
        // so that its address stays its own while the part is kept; null when none.
        std::shared_ptr<const void> source;
    };

    // Parts larger than this are not kept: they are sheets and lists, different in every report.
    static constexpr size_t kLargestPart = size_t(256) << 10;

    explicit SavedPartMemo(size_t byteBudget = size_t(4) << 20) : byteBudget_(byteBudget) {}

    // The kept part named `name` when it holds exactly `bytes`; null otherwise.
    std::shared_ptr<const Part> find(const std::string& name, std::string_view bytes) const;
    // The kept part named `name` when it was made from exactly `inputs` (not empty) and from no
    // source object; null otherwise.
    std::shared_ptr<const Part> findMadeFrom(const std::string& name, std::string_view inputs) const;
    // The kept part named `name` when it was made from `source` itself (not null) and exactly
    // `inputs` (what the save changed of it, spelled; may be ""); null otherwise. Sound only for a
    // source never changed while anyone holds it: the part holds it too.
    std::shared_ptr<const Part> findMadeFrom(const std::string& name, const std::shared_ptr<const void>& source,
                                             std::string_view inputs) const;
    // Keeps `part` under `name` in place of the one kept before, within the byte budget.
    void keep(const std::string& name, std::shared_ptr<const Part> part);
    size_t heldBytes() const;

    // The parts a save reaches from the package root by relationships (and their extensions),
    // lower case. They follow from the package's listing and from what the save changes of the
    // workbook part's relationships, as long as it plans no other relationships (no new sheet, no
    // new chart): such saves of one listing share them. Only the latest is kept.
    struct ReachedParts {
        std::unordered_set<std::string> parts;
        std::unordered_set<std::string> extensions;
    };
    // The parts kept for `source` (not null) and exactly `changes`; null otherwise.
    std::shared_ptr<const ReachedParts> reachedFrom(const std::shared_ptr<const void>& source,
                                                    std::string_view changes) const;
    void keepReached(std::shared_ptr<const void> source, std::string changes,
                     std::shared_ptr<const ReachedParts> reached);

    // How the part named `name` starts alike in the reports (see PartHead.h), made on the first
    // ask; null once kMostHeads parts have theirs. Each holds at most about three times a small
    // part (below 16 KiB each time), outside the byte budget above.
    std::shared_ptr<PartHead> headOf(const std::string& name);
    static constexpr size_t kMostHeads = 64;

private:
    std::shared_ptr<const Part> kept(const std::string& name) const;

    const size_t byteBudget_;
    mutable std::mutex mutex_;  // guards everything below; held for a lookup, never for a deflate
    std::unordered_map<std::string, std::shared_ptr<const Part>> parts_;
    size_t heldBytes_ = 0;
    std::unordered_map<std::string, std::shared_ptr<PartHead>> heads_;
    struct KeptReach {
        std::shared_ptr<const void> source;  // held, so that its address stays its own
        std::string changes;
        std::shared_ptr<const ReachedParts> reached;
    };
    KeptReach reach_;
};

// Appends the fields to a part's inputs, each after its length: two different lists of fields
// never spell alike, whatever characters they hold.
void appendSpelledFields(std::string& out, std::initializer_list<std::string_view> fields);

}  // namespace tavlora::host::xlsx
