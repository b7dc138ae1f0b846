#include "host/xlsx/DeflateWorkers.h"

#include <algorithm>
#include <system_error>

#include "host/xlsx/ChunkedDeflate.h"

namespace tavlora::host::xlsx {

DeflateWorkers::DeflateWorkers(unsigned threads, ThreadStarter start) : limit_(threads), start_(std::move(start)) {
    if (!start_) start_ = [](std::function<void()> body) { return std::thread(std::move(body)); };
}

unsigned DeflateWorkers::limit() {
    if (limit_ == 0) limit_ = std::max(1u, std::thread::hardware_concurrency());
    return limit_;
}

DeflateWorkers::~DeflateWorkers() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (std::thread& thread : threads_) thread.join();
}

bool DeflateWorkers::post(Job job) {
    std::unique_lock<std::mutex> lock(mutex_);
    jobs_.push_back(std::move(job));
    const bool waiting = idle_ >= jobs_.size();
    lock.unlock();
    if (waiting) {
        wake_.notify_one();
        return true;
    }
    if (threads_.size() < limit() && startThread()) return true;
    if (!threads_.empty()) return true;  // a running thread takes it once free
    lock.lock();
    jobs_.pop_back();
    return false;
}

std::string DeflateWorkers::takeBuffer(size_t capacity) {
    std::string buffer;
    if (!spareBuffers_.empty()) {
        buffer = std::move(spareBuffers_.back());
        spareBuffers_.pop_back();
    }
    buffer.reserve(capacity);
    return buffer;
}

void DeflateWorkers::giveBack(std::string buffer) {
    if (buffer.capacity() <= std::string().capacity()) return;  // nothing held but the object
    buffer.clear();
    spareBuffers_.push_back(std::move(buffer));
}

bool DeflateWorkers::startThread() {
    threads_.reserve(limit());  // a started thread must find its place: one dropped unjoined ends the process
    try {
        threads_.push_back(start_([this] { work(); }));
        return true;
    } catch (const std::system_error&) {
        return false;
    }
}

void DeflateWorkers::work() {
    // The compressors live as long as the thread: made at the first piece of each level, they keep
    // their tables and output buffers for every later piece of the save.
    LocalDeflaters deflaters;
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        ++idle_;
        wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
        --idle_;
        if (jobs_.empty()) return;  // stopping, and every job handed over is done
        Job job = std::move(jobs_.front());
        jobs_.pop_front();
        lock.unlock();
        job(deflaters);
        job = nullptr;  // what the job holds goes before the lock is taken again
        lock.lock();
    }
}

}  // namespace tavlora::host::xlsx
