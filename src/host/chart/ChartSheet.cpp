#include "host/chart/ChartSheet.h"

#include "host/chart/ChartDispatch.h"
#include "host/chart/ChartModel.h"
#include "host/Workbook.h"

namespace tavlora::host {

namespace {

ChartSheet& self(com::Dispatch& d) { return static_cast<ChartSheet&>(d); }

// A chart sheet answers as the chart it holds.
std::vector<com::MemberInfo> withChartMembers(std::vector<com::MemberInfo> members) {
    auto chart = chartDispatchMembers(
        [](com::Dispatch& d) -> ChartModel& { return static_cast<ChartModel&>(*self(d).chart()); });
    members.insert(members.end(), std::make_move_iterator(chart.begin()), std::make_move_iterator(chart.end()));
    return members;
}

}  // namespace

const com::DispatchTable& ChartSheet::dispatchTable() const {
    using com::MemberKind;
    using com::VarType;
    static const com::DispatchTable table(
        "Chart",
        withChartMembers({
            {"Name", 0x6e, MemberKind::PropertyGet, {}, VarType::String,
             [](com::Dispatch& d, std::vector<com::Variant>&) { return com::Variant(self(d).name()); }},
            {"Name", 0x6e, MemberKind::PropertyLet, {{"RHS", VarType::String}}, VarType::Empty,
             [](com::Dispatch& d, std::vector<com::Variant>& a) {
                 self(d).setName(a[0].asString());
                 return com::Variant();
             }},
            {"Delete", 0x75, MemberKind::Method, {}, VarType::Empty,
             [](com::Dispatch& d, std::vector<com::Variant>&) {
                 self(d).deleteSheet();
                 return com::Variant();
             }},
        }));
    return table;
}

}  // namespace tavlora::host
