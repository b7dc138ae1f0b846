#include "report/common/TemplateCellText.h"

#include "com/Conversions.h"
#include "com/Error.h"
#include "host/Range.h"

namespace tavlora::common {

std::string templateCellText(const host::Range& cell) {
    com::Variant value = cell.value();
    if (value.type() == com::VarType::Error)
        throw com::Error(com::hr::kTypeMismatch, "Type mismatch: " + cell.address() + " holds an error value");
    return com::toText(value);
}

}  // namespace tavlora::common
