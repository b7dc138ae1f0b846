#pragma once
#include <cstddef>
#include <cstdint>

#include "host/cells/ChunkedList.h"
#include "host/cells/RareText.h"
#include "host/cells/RowCells.h"

namespace tavlora::host {

// 48 bytes: a sheet may have a million of these, and each one is fresh memory while a list fills.
struct RowInfo {
    int32_t row = 0;
    uint32_t style = 0;
    double height = -1;        // points; < 0 = default height
    RowCells cells;            // sorted by column
    RareText extraAttributes;  // other attributes of <row> kept verbatim (outline level, ...)
    bool customHeight = false;
    bool hidden = false;
    bool hasStyle = false;  // a row-level format (`style`): applies to every cell of the row without one
};
static_assert(sizeof(RowInfo) <= 48);

// A sheet's rows, sorted by row number, in blocks of 1,024 that never move.
using RowList = ChunkedList<RowInfo, 10>;

}  // namespace tavlora::host
