#include "host/html/PointDecimation.h"

#include <algorithm>
#include <cmath>

namespace tavlora::host::html {

std::vector<size_t> pixelExtremes(const std::vector<std::optional<double>>& values, size_t pixels) {
    const size_t count = values.size();
    std::vector<size_t> kept;
    pixels = std::max<size_t>(pixels, 1);
    if (count <= 2 * pixels) {
        kept.resize(count);
        for (size_t k = 0; k < count; ++k) kept[k] = k;
        return kept;
    }
    kept.reserve(3 * pixels);
    std::vector<size_t> picked;  // of one column, at most three
    picked.reserve(3);
    for (size_t column = 0; column < pixels; ++column) {
        const size_t begin = column * count / pixels, end = (column + 1) * count / pixels;
        std::optional<size_t> low, high, gap;
        for (size_t k = begin; k < end; ++k) {
            if (!values[k]) {
                if (!gap) gap = k;
                continue;
            }
            if (!low || *values[k] < *values[*low]) low = k;
            if (!high || *values[k] > *values[*high]) high = k;
        }
        picked.clear();
        for (const auto& index : {low, high, gap})
            if (index) picked.push_back(*index);
        std::sort(picked.begin(), picked.end());
        for (size_t i = 0; i < picked.size(); ++i)
            if (i == 0 || picked[i] != picked[i - 1]) kept.push_back(picked[i]);
    }
    return kept;
}

size_t labelStep(size_t count, double labelSize, double axisLength) {
    if (count == 0 || !(axisLength > 0) || !(labelSize > 0)) return 1;
    const double fitting = std::max(1.0, std::floor(axisLength / labelSize));
    return std::max<size_t>(1, static_cast<size_t>(std::ceil(static_cast<double>(count) / fitting)));
}

}  // namespace tavlora::host::html
