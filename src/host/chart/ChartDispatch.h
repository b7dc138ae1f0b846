#pragma once
#include <functional>
#include <vector>

#include "com/Dispatch.h"

namespace tavlora::host {

class ChartModel;

// The automation members of a chart (ChartType, SeriesCollection, SetSourceData, HasLegend,
// HasDataTable, ApplyDataLabels, HasTitle, ChartTitle), for any object that stands for one: the
// chart itself, or a chart sheet. `chartOf` finds the chart behind the object.
std::vector<com::MemberInfo> chartDispatchMembers(std::function<ChartModel&(com::Dispatch&)> chartOf);

}  // namespace tavlora::host
