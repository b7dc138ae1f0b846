#pragma once
#include <array>
#include <cstddef>
#include <string_view>

namespace tavlora::host {

// Colours of series (and of the slices of a pie) in order, as RGB hex without "#". Charts this
// program draws name their colours outright, so that every reader shows them alike, whether or not
// the package carries a theme.
inline std::string_view chartColor(size_t index) {
    static constexpr std::array<std::string_view, 10> kColors = {"4472C4", "ED7D31", "A5A5A5", "FFC000", "5B9BD5",
                                                                 "70AD47", "264478", "9E480E", "636363", "997300"};
    return kColors[index % kColors.size()];
}

}  // namespace tavlora::host
