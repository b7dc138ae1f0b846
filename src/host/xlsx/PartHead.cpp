#include "host/xlsx/PartHead.h"

#include <libdeflate.h>

#include <algorithm>

namespace tavlora::host::xlsx {

namespace {

size_t commonPrefix(std::string_view a, std::string_view b) {
    const size_t n = std::min(a.size(), b.size());
    return static_cast<size_t>(std::mismatch(a.begin(), a.begin() + static_cast<std::ptrdiff_t>(n), b.begin()).first -
                               a.begin());
}

// After the last '>' of what two parts share: a value that began alike in both stays out.
size_t headAtBoundary(std::string_view bytes, size_t common) {
    if (common == 0) return 0;
    const size_t last = bytes.rfind('>', common - 1);
    return last == std::string_view::npos ? 0 : last + 1;
}

}  // namespace

DeflatedPart PartHead::deflate(std::string_view bytes, LocalDeflaters& deflaters, int level, int headLevel) {
    std::shared_ptr<const Head> head;
    {
        std::lock_guard lock(mutex_);
        head = head_;
    }
    DeflatedPart part;
    part.size = bytes.size();
    part.crc = static_cast<uint32_t>(libdeflate_crc32(0, bytes.data(), bytes.size()));
    if (!head || !bytes.starts_with(head->bytes)) {
        part.pieces.push_back(deflateStreamPiece(deflaters.at(level), bytes, true));
        learn(bytes, deflaters, headLevel);
        return part;
    }
    part.pieces.push_back(head->piece);
    part.pieces.push_back(deflateStreamPiece(deflaters.at(level), bytes.substr(head->bytes.size()), true));
    ++reuses_;
    return part;
}

void PartHead::learn(std::string_view bytes, LocalDeflaters& deflaters, int headLevel) {
    std::string previous;
    {
        std::lock_guard lock(mutex_);
        previous.swap(previous_);
        previous_.assign(bytes);
    }
    if (previous.empty()) return;
    const size_t size = headAtBoundary(bytes, commonPrefix(bytes, previous));
    if (size < kWorthwhile) return;
    auto head = std::make_shared<Head>();
    head->bytes.assign(bytes.substr(0, size));
    head->piece = deflateStreamPiece(deflaters.at(headLevel), head->bytes, false);
    std::lock_guard lock(mutex_);
    head_ = std::move(head);
}

size_t PartHead::size() const {
    std::lock_guard lock(mutex_);
    return head_ ? head_->bytes.size() : 0;
}

}  // namespace tavlora::host::xlsx
