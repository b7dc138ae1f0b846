#pragma once
#include <cstdint>

namespace tavlora::tmplone {

// How a placeholder entry names its target cell. Published in the type library with these values.
enum ePosType : int32_t {
    ePosType_No = 0,      // no target: the spare element of an entry list
    ePosType_RowCol = 1,  // row and column (never stored by the one-record filler)
    ePosType_A1 = 2,      // an A1 address in strPos
};

}  // namespace tavlora::tmplone
