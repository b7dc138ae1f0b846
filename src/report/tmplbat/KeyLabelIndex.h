#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tavlora::tmplbat {

// The key labels of a keyed list template, looked up by exact text (case and blanks count); the
// first of several equal labels wins. Built once per output call so that placing a record costs
// one hash lookup instead of a walk over every label.
// REQUIRES: the labels outlive the index and do not change while it is used.
class KeyLabelIndex {
public:
    KeyLabelIndex() = default;
    explicit KeyLabelIndex(const std::vector<std::string>& labels) {
        firstIndex_.reserve(labels.size());
        for (size_t i = 0; i < labels.size(); ++i) firstIndex_.try_emplace(labels[i], static_cast<int32_t>(i));
    }

    // Index of the first label equal to key, -1 when none is.
    int32_t find(std::string_view key) const {
        auto it = firstIndex_.find(key);
        return it == firstIndex_.end() ? -1 : it->second;
    }

private:
    std::unordered_map<std::string_view, int32_t> firstIndex_;
};

}  // namespace tavlora::tmplbat
