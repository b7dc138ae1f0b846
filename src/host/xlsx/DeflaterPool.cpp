#include "host/xlsx/DeflaterPool.h"

#include "host/xlsx/ChunkedDeflate.h"

namespace tavlora::host::xlsx {

DeflaterPool::DeflaterPool(size_t kept) : kept_(kept) {}

DeflaterPool::~DeflaterPool() = default;

std::unique_ptr<LocalDeflaters> DeflaterPool::borrow() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!idle_.empty()) {
            std::unique_ptr<LocalDeflaters> deflaters = std::move(idle_.back());
            idle_.pop_back();
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
            idle_.push_back(std::move(deflaters));
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
