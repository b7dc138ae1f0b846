#pragma once
#include <cstddef>
#include <optional>
#include <vector>

namespace tavlora::host::html {

// The points of a long series worth drawing on `pixels` columns: per column the lowest and the
// highest value (in their order), so that a peak one point wide still shows, plus the first gap
// of a column, so that a broken line stays broken. Every index when the series fits.
std::vector<size_t> pixelExtremes(const std::vector<std::optional<double>>& values, size_t pixels);

// Every how-many-th of `count` labels, each `labelSize` long, fits on an axis `axisLength` long.
size_t labelStep(size_t count, double labelSize, double axisLength);

}  // namespace tavlora::host::html
