#pragma once
#include <string>
#include <unordered_map>

#include "host/CellStore.h"
#include "host/NumberFormat.h"

namespace tavlora::host {

class Worksheet;

// Displayed texts of many cells of one sheet (Find, AutoFit), parsing each cell format's number
// format once instead of once per cell. Holds a reference to the sheet: use it within one
// operation.
class CellTextRenderer {
public:
    explicit CellTextRenderer(const Worksheet& sheet) : sheet_(sheet) {}
    std::string text(const Cell& cell);

private:
    const Worksheet& sheet_;
    std::unordered_map<uint32_t, NumberFormat> formats_;
};

}  // namespace tavlora::host
