#include "host/ChartSheet.h"

#include "host/Workbook.h"

namespace tavlora::host {

namespace {

ChartSheet& self(com::Dispatch& d) { return static_cast<ChartSheet&>(d); }

}  // namespace

const com::DispatchTable& ChartSheet::dispatchTable() const {
    using com::MemberKind;
    using com::VarType;
    static const com::DispatchTable table(
        "Chart",
        {
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
        });
    return table;
}

}  // namespace tavlora::host
