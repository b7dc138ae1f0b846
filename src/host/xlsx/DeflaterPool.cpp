#include "host/xlsx/DeflaterPool.h"

#include <algorithm>

#include "host/xlsx/ChunkedDeflate.h"

namespace tavlora::host::xlsx {

DeflaterPool::DeflaterPool(size_t kept) : kept_(kept) {}

DeflaterPool::~DeflaterPool() = default;

std::unique_ptr<LocalDeflaters> DeflaterPool::borrow() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!idle_.empty()) {
            const std::thread::id me = std::this_thread::get_id();
            auto own = std::find_if(idle_.rbegin(), idle_.rend(), [me](const Idle& set) { return set.givenBackBy == me; });
            auto taken = own == idle_.rend() ? std::prev(idle_.end()) : std::prev(own.base());
            std::unique_ptr<LocalDeflaters> deflaters = std::move(taken->deflaters);
            idle_.erase(taken);
            return deflaters;
        }
    }
    return std::make_unique<LocalDeflaters>();
}

void DeflaterPool::giveBack(std::unique_ptr<LocalDeflaters> deflaters) {
    if (!deflaters) return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (idle_.size() < kept_) {
            idle_.push_back({std::move(deflaters), std::this_thread::get_id()});
            return;
        }
    }
    // freed outside the lock: a compressor's tables are large
}

size_t DeflaterPool::idle() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return idle_.size();
}

}  // namespace tavlora::host::xlsx
