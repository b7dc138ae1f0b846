#include "host/chart/ChartSheet.h"

#include "com/DispatchRows.h"
#include "host/chart/ChartDispatch.h"
#include "host/chart/ChartModel.h"
#include "host/Workbook.h"

namespace tavlora::host {

namespace {

// A chart sheet answers as the chart it holds.
ChartModel& chartOf(com::Dispatch& d) { return static_cast<ChartModel&>(*static_cast<ChartSheet&>(d).chart()); }

}  // namespace

const com::DispatchTable& ChartSheet::dispatchTable() const {
    using com::VarType;
    static const com::DispatchTable table = com::DispatchRows<ChartSheet>("Chart")
                                                .get("Name", 0x6e, VarType::String, &ChartSheet::name)
                                                .let("Name", 0x6e, VarType::String, &ChartSheet::setName)
                                                .method("Delete", 0x75, VarType::Empty, &ChartSheet::deleteSheet)
                                                .append(chartDispatchMembers(&chartOf))
                                                .build();
    return table;
}

}  // namespace tavlora::host
