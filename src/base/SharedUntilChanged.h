#pragma once
#include <atomic>
#include <memory>
#include <utility>
#include <vector>

// A value that copies of its holder share until one of them changes it (what a reader indexed of
// a template, copied for every report made from it and changed by few). Only the holder that
// changes it copies it, and it keeps the value it shared as long as it lives: a reference taken
// before the change stays valid, showing the value as it was.
//
// Holders on several threads may share one value; each holder is for one thread at a time.
namespace tavlora::base {

template <typename T>
class SharedUntilChanged {
public:
    SharedUntilChanged() : value_(std::make_shared<T>()) {}
    // Shares `value` with whoever else holds it.
    explicit SharedUntilChanged(std::shared_ptr<T> value) : value_(std::move(value)) {}
    SharedUntilChanged(const SharedUntilChanged& other) : value_(other.value_) {}
    SharedUntilChanged& operator=(const SharedUntilChanged& other) {
        if (this != &other) {
            retire();
            value_ = other.value_;
        }
        return *this;
    }

    const T& operator*() const { return *value_; }
    const T* operator->() const { return value_.get(); }

    // The value to change, this holder's own from now on.
    T& own() {
        if (!sole()) {
            auto copy = std::make_shared<T>(*value_);
            retire();
            value_ = std::move(copy);
        }
        return *value_;
    }

private:
    bool sole() const {
        if (value_.use_count() != 1) return false;
        // Pairs with the release by the last other holder, whose reads then come before our writes.
        std::atomic_thread_fence(std::memory_order_acquire);
        return true;
    }
    void retire() { earlier_.push_back(std::move(value_)); }

    std::shared_ptr<T> value_;
    std::vector<std::shared_ptr<T>> earlier_;  // values given up while references to them may live
};

}  // namespace tavlora::base
