#include <climits>

#include "com/Conversions.h"
#include "com/Error.h"
#include "host/Range.h"

namespace tavlora::host {

namespace {

const Range& rangeOf(com::Dispatch& d) { return static_cast<RangeObject&>(d).range(); }
Range mutableRange(com::Dispatch& d) { return rangeOf(d); }
com::Variant object(Range range) { return com::Variant(com::ObjectPtr(std::make_shared<RangeObject>(std::move(range)))); }
com::Variant objectOrNothing(const std::optional<Range>& range) {
    return range ? object(*range) : com::Variant(com::ObjectPtr());
}

// An After argument: omitted, Nothing, or a range object.
std::optional<Range> optionalRange(const com::Variant& v) {
    if (v.isMissing() || v.isEmpty()) return std::nullopt;
    if (v.type() != com::VarType::Object) throw com::Error(com::hr::kTypeMismatch, "Type mismatch: After must be a Range.");
    if (!v.asObject()) return std::nullopt;
    auto* range = dynamic_cast<RangeObject*>(v.asObject().get());
    if (!range) throw com::Error(com::hr::kTypeMismatch, "Type mismatch: After must be a Range.");
    return range->range();
}

}  // namespace

const com::DispatchTable& RangeObject::dispatchTable() const {
    using com::MemberKind;
    using com::ParamInfo;
    using com::Variant;
    using com::VarType;
    using Args = std::vector<Variant>;
    auto none = [](auto action) {
        return [action](com::Dispatch& d, Args& a) {
            action(d, a);
            return Variant();
        };
    };
    static const com::DispatchTable table(
        "Range",
        {
            {"Value", 0, MemberKind::PropertyGet, {}, VarType::Any,
             [](com::Dispatch& d, Args&) { return rangeOf(d).value(); }},
            {"Value", 0, MemberKind::PropertyLet, {{"RHS", VarType::Any}}, VarType::Empty,
             none([](com::Dispatch& d, Args& a) { mutableRange(d).setValue(a[0]); })},
            {"Text", 0x8a, MemberKind::PropertyGet, {}, VarType::String,
             [](com::Dispatch& d, Args&) { return Variant(rangeOf(d).text()); }},
            {"Address", 0xec, MemberKind::PropertyGet, {}, VarType::String,
             [](com::Dispatch& d, Args&) { return Variant(rangeOf(d).address()); }},
            {"Row", 0x101, MemberKind::PropertyGet, {}, VarType::Long,
             [](com::Dispatch& d, Args&) { return Variant(rangeOf(d).row()); }},
            {"Column", 0xf0, MemberKind::PropertyGet, {}, VarType::Long,
             [](com::Dispatch& d, Args&) { return Variant(rangeOf(d).column()); }},
            {"Count", 0x76, MemberKind::PropertyGet, {}, VarType::Long,
             [](com::Dispatch& d, Args&) {
                 // Count of a whole sheet does not fit 32 bits: an overflow, as the host reports it.
                 int64_t count = rangeOf(d).count();
                 if (count > INT32_MAX) throw com::Error(com::hr::kOverflow, "Overflow: the range has " + std::to_string(count) + " cells.");
                 return Variant(static_cast<int32_t>(count));
             }},
            {"Columns", 0xf1, MemberKind::PropertyGet, {}, VarType::Object,
             [](com::Dispatch& d, Args&) { return object(rangeOf(d).columns()); }},
            {"Rows", 0x102, MemberKind::PropertyGet, {}, VarType::Object,
             [](com::Dispatch& d, Args&) { return object(rangeOf(d).rows()); }},
            {"Cells", 0xee, MemberKind::PropertyGet, {{"RowIndex", VarType::Long}, {"ColumnIndex", VarType::Long}},
             VarType::Object,
             [](com::Dispatch& d, Args& a) { return object(rangeOf(d).cell(a[0].asInt32(), a[1].asInt32())); }},
            {"Find", 0x18e, MemberKind::Method,
             {ParamInfo{"What", VarType::String},
              ParamInfo{"After", VarType::Any, true, Variant::missing()},
              ParamInfo{"LookIn", VarType::Long, true, Variant(lookin::kValues)}},
             VarType::Object,
             [](com::Dispatch& d, Args& a) {
                 return objectOrNothing(rangeOf(d).find(a[0].asString(), a[2].asInt32(), optionalRange(a[1])));
             }},
            {"FindNext", 0x18f, MemberKind::Method, {ParamInfo{"After", VarType::Any, true, Variant::missing()}},
             VarType::Object,
             [](com::Dispatch& d, Args& a) {
                 auto after = optionalRange(a[0]);
                 const Range& self = rangeOf(d);
                 return objectOrNothing(self.findNext(after ? *after : self.cell(1, 1)));
             }},
            {"Clear", 0x6f, MemberKind::Method, {}, VarType::Empty,
             none([](com::Dispatch& d, Args&) { mutableRange(d).clear(); })},
            {"Delete", 0x75, MemberKind::Method, {}, VarType::Empty,
             none([](com::Dispatch& d, Args&) { mutableRange(d).deleteCells(); })},
            {"Merge", 0x234, MemberKind::Method, {}, VarType::Empty,
             none([](com::Dispatch& d, Args&) { mutableRange(d).merge(); })},
            {"AutoFit", 0xed, MemberKind::Method, {}, VarType::Empty,
             none([](com::Dispatch& d, Args&) { mutableRange(d).autoFit(); })},
            {"NumberFormatLocal", 0x449, MemberKind::PropertyGet, {}, VarType::String,
             [](com::Dispatch& d, Args&) { return Variant(rangeOf(d).numberFormatLocal()); }},
            {"NumberFormatLocal", 0x449, MemberKind::PropertyLet, {{"RHS", VarType::String}}, VarType::Empty,
             none([](com::Dispatch& d, Args& a) { mutableRange(d).setNumberFormatLocal(a[0].asString()); })},
            {"HorizontalAlignment", 0x88, MemberKind::PropertyGet, {}, VarType::Long,
             [](com::Dispatch& d, Args&) { return Variant(rangeOf(d).horizontalAlignment()); }},
            {"HorizontalAlignment", 0x88, MemberKind::PropertyLet, {{"RHS", VarType::Long}}, VarType::Empty,
             none([](com::Dispatch& d, Args& a) { mutableRange(d).setHorizontalAlignment(a[0].asInt32()); })},
            {"VerticalAlignment", 0x89, MemberKind::PropertyGet, {}, VarType::Long,
             [](com::Dispatch& d, Args&) { return Variant(rangeOf(d).verticalAlignment()); }},
            {"VerticalAlignment", 0x89, MemberKind::PropertyLet, {{"RHS", VarType::Long}}, VarType::Empty,
             none([](com::Dispatch& d, Args& a) { mutableRange(d).setVerticalAlignment(a[0].asInt32()); })},
            {"RowHeight", 0x110, MemberKind::PropertyGet, {}, VarType::Double,
             [](com::Dispatch& d, Args&) { return Variant(rangeOf(d).rowHeight()); }},
            {"RowHeight", 0x110, MemberKind::PropertyLet, {{"RHS", VarType::Double}}, VarType::Empty,
             none([](com::Dispatch& d, Args& a) { mutableRange(d).setRowHeight(a[0].asDouble()); })},
            {"ColumnWidth", 0xf2, MemberKind::PropertyGet, {}, VarType::Double,
             [](com::Dispatch& d, Args&) { return Variant(rangeOf(d).columnWidth()); }},
            {"ColumnWidth", 0xf2, MemberKind::PropertyLet, {{"RHS", VarType::Double}}, VarType::Empty,
             none([](com::Dispatch& d, Args& a) { mutableRange(d).setColumnWidth(a[0].asDouble()); })},
            {"FontName", 0x10001, MemberKind::PropertyGet, {}, VarType::String,
             [](com::Dispatch& d, Args&) { return Variant(rangeOf(d).font().name()); }},
            {"FontName", 0x10001, MemberKind::PropertyLet, {{"RHS", VarType::String}}, VarType::Empty,
             none([](com::Dispatch& d, Args& a) { rangeOf(d).font().setName(a[0].asString()); })},
            {"FontStyle", 0x10002, MemberKind::PropertyGet, {}, VarType::String,
             [](com::Dispatch& d, Args&) { return Variant(rangeOf(d).font().fontStyle()); }},
            {"FontStyle", 0x10002, MemberKind::PropertyLet, {{"RHS", VarType::String}}, VarType::Empty,
             none([](com::Dispatch& d, Args& a) { rangeOf(d).font().setFontStyle(a[0].asString()); })},
            {"FontSize", 0x10003, MemberKind::PropertyGet, {}, VarType::Double,
             [](com::Dispatch& d, Args&) { return Variant(rangeOf(d).font().size()); }},
            {"FontSize", 0x10003, MemberKind::PropertyLet, {{"RHS", VarType::Double}}, VarType::Empty,
             none([](com::Dispatch& d, Args& a) { rangeOf(d).font().setSize(a[0].asDouble()); })},
            {"FontBold", 0x10004, MemberKind::PropertyGet, {}, VarType::Boolean,
             [](com::Dispatch& d, Args&) { return Variant(rangeOf(d).font().bold()); }},
            {"FontBold", 0x10004, MemberKind::PropertyLet, {{"RHS", VarType::Boolean}}, VarType::Empty,
             none([](com::Dispatch& d, Args& a) { rangeOf(d).font().setBold(a[0].asBool()); })},
        });
    return table;
}

}  // namespace tavlora::host
