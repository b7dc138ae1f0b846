#include "data/RowsReadAhead.h"

namespace tavlora::data {

RowsReadAhead::RowsReadAhead(Reader read, size_t depth, std::function<void()> interrupt)
    : read_(std::move(read)),
      depth_(depth == 0 ? 1 : depth),
      interrupt_(std::move(interrupt)),
      thread_([this] { work(); }) {}

RowsReadAhead::~RowsReadAhead() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    if (interrupt_) interrupt_();
    changed_.notify_all();
    thread_.join();
}

RowBatch RowsReadAhead::next(RowBatch spent) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (spent.values.capacity() != 0) spent_.push_back(std::move(spent));
    changed_.wait(lock, [this] { return !ready_.empty(); });
    RowBatch batch = std::move(ready_.front());
    ready_.pop_front();
    lock.unlock();
    changed_.notify_all();
    return batch;
}

void RowsReadAhead::work() {
    for (;;) {
        RowBatch batch;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            changed_.wait(lock, [this] { return stopping_ || ready_.size() < depth_; });
            if (stopping_) return;
            if (!spent_.empty()) {
                batch.values = std::move(spent_.back().values);
                spent_.pop_back();
            }
        }
        batch.values.clear();  // the spent values end here, on this thread
        read_(batch);
        const bool ends = batch.last || batch.error;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            ready_.push_back(std::move(batch));
        }
        changed_.notify_all();
        if (ends) return;
    }
}

}  // namespace tavlora::data
