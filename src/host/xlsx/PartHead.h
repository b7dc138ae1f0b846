#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "host/xlsx/ChunkedDeflate.h"

namespace tavlora::host::xlsx {

// The head that one small part has alike in the reports of one template (a sheet's columns and
// the template's own rows before the filled ones; the template's texts at the start of the shared
// strings), deflated once and copied into every later report whose part starts with exactly those
// bytes, so that only the rest is deflated per report. The head is left open and byte-aligned
// (see ChunkedDeflate.h), so the two pieces are one deflate stream and the part unpacks to the
// same bytes as if it had been deflated whole.
//
// Only a head: the rest is the stream's last piece, as libdeflate makes it. A piece that others
// follow must have the end of its last block found by walking its codes, which for a few KiB
// costs more than deflating the bytes a shared tail would spare.
//
// The head is learnt from the parts themselves: a part that does not start with the head held is
// deflated whole, and what it has in common with the part deflated whole before it becomes the
// new head, cut after an element's '>' so that a value that happened to start alike in two
// reports stays out of it. Shared by every report of the template, on any thread.
class PartHead {
public:
    // A shorter head is not worth a piece of its own: the join costs a few bytes, and the rest no
    // longer finds its repeats in the head.
    static constexpr size_t kWorthwhile = 256;

    // `bytes` deflated as one raw stream: the rest (or the whole part) at `level`, a new head at
    // `headLevel` (deflated once, so it may take the slower level).
    DeflatedPart deflate(std::string_view bytes, LocalDeflaters& deflaters, int level, int headLevel);

    // The head's length (0 until two parts had one), and how many parts took it.
    size_t size() const;
    uint64_t reuses() const { return reuses_; }

private:
    struct Head {
        std::string bytes;
        std::string piece;  // open and byte-aligned
    };

    void learn(std::string_view bytes, LocalDeflaters& deflaters, int headLevel);

    mutable std::mutex mutex_;  // guards head_ and previous_; never held while deflating
    std::shared_ptr<const Head> head_;
    std::string previous_;  // the part deflated whole last: what the next miss is compared with
    std::atomic<uint64_t> reuses_{0};
};

}  // namespace tavlora::host::xlsx
