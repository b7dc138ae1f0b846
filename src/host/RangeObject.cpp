#include <climits>

#include "com/Conversions.h"
#include "com/DispatchRows.h"
#include "com/Error.h"
#include "host/Range.h"

namespace tavlora::host {

namespace {

const Range& rangeOf(com::Dispatch& d) { return static_cast<RangeObject&>(d).range(); }
std::shared_ptr<RangeObject> object(Range range) { return std::make_shared<RangeObject>(std::move(range)); }
std::shared_ptr<RangeObject> objectOrNothing(const std::optional<Range>& range) {
    return range ? object(*range) : nullptr;
}

// A member that changes cells, run on a copy of the handle: the client's object keeps its area.
template <class... P>
auto onCopy(void (Range::*change)(P...)) {
    return [change](const Range& range, P... arguments) { (Range(range).*change)(arguments...); };
}

template <class Result, class... P>
auto viaFont(Result (RangeFont::*member)(P...)) {
    return [member](const Range& range, P... arguments) { return (range.font().*member)(arguments...); };
}
template <class Result, class... P>
auto viaFont(Result (RangeFont::*member)(P...) const) {
    return [member](const Range& range, P... arguments) { return (range.font().*member)(arguments...); };
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
    using com::optionalParam;
    using com::Variant;
    using com::VarType;
    using R = const Range;
    static const com::DispatchTable table =
        com::DispatchRows<R>("Range", &rangeOf)
            .get("Value", 0, VarType::Any, &Range::value)
            .let("Value", 0, VarType::Any, onCopy(&Range::setValue))
            .get("Text", 0x8a, VarType::String, &Range::text)
            .get("Formula", 0x105, VarType::Any, &Range::formula)
            .let("Formula", 0x105, VarType::String, onCopy(&Range::setFormula))
            .get("Address", 0xec, VarType::String, &Range::address)
            .get("Row", 0x101, VarType::Long, &Range::row)
            .get("Column", 0xf0, VarType::Long, &Range::column)
            .get("Count", 0x76, VarType::Long,
                 [](R& range) {
                     // Count of a whole sheet does not fit 32 bits: an overflow, as the host reports it.
                     int64_t count = range.count();
                     if (count > INT32_MAX) throw com::Error(com::hr::kOverflow, "Overflow: the range has " + std::to_string(count) + " cells.");
                     return static_cast<int32_t>(count);
                 })
            .get("Columns", 0xf1, VarType::Object, [](R& range) { return object(range.columns()); })
            .get("Rows", 0x102, VarType::Object, [](R& range) { return object(range.rows()); })
            .get("Cells", 0xee, VarType::Object,
                 [](R& range, int32_t row, int32_t column) { return object(range.cell(row, column)); },
                 {{"RowIndex", VarType::Long}, {"ColumnIndex", VarType::Long}})
            .method("Find", 0x18e,
                    {{"What", VarType::String}, optionalParam("After", VarType::Any),
                     optionalParam("LookIn", VarType::Long, Variant(lookin::kValues))},
                    VarType::Object,
                    [](R& range, const std::string& what, const Variant& after, int32_t lookIn) {
                        return objectOrNothing(range.find(what, lookIn, optionalRange(after)));
                    })
            .method("FindNext", 0x18f, {optionalParam("After", VarType::Any)}, VarType::Object,
                    [](R& range, const Variant& afterArgument) {
                        auto after = optionalRange(afterArgument);
                        return objectOrNothing(range.findNext(after ? *after : range.cell(1, 1)));
                    })
            .method("Clear", 0x6f, VarType::Empty, onCopy(&Range::clear))
            .method("Delete", 0x75, VarType::Empty, onCopy(&Range::deleteCells))
            .method("Merge", 0x234, VarType::Empty, onCopy(&Range::merge))
            .method("AutoFit", 0xed, VarType::Empty, onCopy(&Range::autoFit))
            .get("NumberFormatLocal", 0x449, VarType::String, &Range::numberFormatLocal)
            .let("NumberFormatLocal", 0x449, VarType::String, onCopy(&Range::setNumberFormatLocal))
            .get("HorizontalAlignment", 0x88, VarType::Long, &Range::horizontalAlignment)
            .let("HorizontalAlignment", 0x88, VarType::Long, onCopy(&Range::setHorizontalAlignment))
            .get("VerticalAlignment", 0x89, VarType::Long, &Range::verticalAlignment)
            .let("VerticalAlignment", 0x89, VarType::Long, onCopy(&Range::setVerticalAlignment))
            .get("RowHeight", 0x110, VarType::Double, &Range::rowHeight)
            .let("RowHeight", 0x110, VarType::Double, onCopy(&Range::setRowHeight))
            .get("ColumnWidth", 0xf2, VarType::Double, &Range::columnWidth)
            .let("ColumnWidth", 0xf2, VarType::Double, onCopy(&Range::setColumnWidth))
            .get("FontName", 0x10001, VarType::String, viaFont(&RangeFont::name))
            .let("FontName", 0x10001, VarType::String, viaFont(&RangeFont::setName))
            .get("FontStyle", 0x10002, VarType::String, viaFont(&RangeFont::fontStyle))
            .let("FontStyle", 0x10002, VarType::String, viaFont(&RangeFont::setFontStyle))
            .get("FontSize", 0x10003, VarType::Double, viaFont(&RangeFont::size))
            .let("FontSize", 0x10003, VarType::Double, viaFont(&RangeFont::setSize))
            .get("FontBold", 0x10004, VarType::Boolean, viaFont(&RangeFont::bold))
            .let("FontBold", 0x10004, VarType::Boolean, viaFont(&RangeFont::setBold))
            .build();
    return table;
}

}  // namespace tavlora::host
