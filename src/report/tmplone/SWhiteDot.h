#pragma once
#include <string>

#include "tavlora/ePosType.h"

namespace tavlora::tmplone {

// One placeholder of a one-record template: its name, where its value goes, and the value.
struct SWhiteDot {
    std::string strFld;    // placeholder name as written in the template (letter case kept)
    ePosType ePos = ePosType_No;
    std::string strPos;    // target address in A1 notation, e.g. "$B$5" or "B5:C6"
    std::string strValue;  // empty until assigned
};

}  // namespace tavlora::tmplone
