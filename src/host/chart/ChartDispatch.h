#pragma once
#include <vector>

#include "com/Dispatch.h"

namespace tavlora::host {

class ChartModel;

// The automation members of a chart (ChartType, SeriesCollection, SetSourceData, HasLegend,
// HasDataTable, ApplyDataLabels, HasTitle, ChartTitle), for any object that stands for one: the
// chart itself, or a chart sheet. `chartOf` finds the chart behind the object.
std::vector<com::MemberInfo> chartDispatchMembers(ChartModel& (*chartOf)(com::Dispatch&));

}  // namespace tavlora::host
