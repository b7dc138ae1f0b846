#pragma once
#include <memory>
#include <string>

#include "host/Sheet.h"

namespace tavlora::host {

// A sheet that holds one chart. Until the chart model reads it, the chart part is carried by the
// file layer unchanged.
class ChartSheet : public Sheet {
public:
    using Sheet::Sheet;
    SheetKind kind() const override { return SheetKind::ChartSheet; }
    const com::DispatchTable& dispatchTable() const override;
};

}  // namespace tavlora::host
