#pragma once
#include <cstddef>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace tavlora::host::xlsx {

class LocalDeflaters;

// Compressors kept from one save to the next. A small report deflates only a few parts of a few
// KiB, where making a compressor (a large allocation, its tables laid out) costs a fifth of what
// deflating them does; an application that saves many reports keeps a pool and each save borrows
// a set. A save on another thread at the same time borrows another set (or makes one), so no
// compressor is ever used by two threads at once. Holds at most `kept` idle sets.
//
// A thread is lent the set it gave back last when the pool still holds it: a compressor's tables
// (about 200 KiB at level 1) are then in the cache of the core that deflates with them. Lent the
// set the other thread had just given back, two threads saving reports side by side moved them
// from core to core in most saves.
class DeflaterPool {
public:
    explicit DeflaterPool(size_t kept = 2);
    ~DeflaterPool();
    DeflaterPool(const DeflaterPool&) = delete;
    DeflaterPool& operator=(const DeflaterPool&) = delete;

    // An idle set (the calling thread's own first), or a new one when all are out.
    std::unique_ptr<LocalDeflaters> borrow();
    // Back for the next save; dropped when the pool already holds as many as it keeps.
    void giveBack(std::unique_ptr<LocalDeflaters> deflaters);
    size_t idle() const;

private:
    const size_t kept_;
    mutable std::mutex mutex_;
    struct Idle {
        std::unique_ptr<LocalDeflaters> deflaters;
        std::thread::id givenBackBy;
    };
    std::vector<Idle> idle_;
};

}  // namespace tavlora::host::xlsx
