#include "com/Variant.h"

#include <string>

namespace tavlora::com {

namespace {

[[noreturn]] void throwSubscriptOutOfRange(int32_t index, const SafeArray& array) {
    std::string bounds = array.items.empty()
                             ? std::string("the array is empty")
                             : "bounds are " + std::to_string(array.lowerBound) + " to " +
                                   std::to_string(array.upperBound());
    throw Error(hr::kSubscriptOutOfRange,
                "Subscript out of range: index " + std::to_string(index) + ", " + bounds);
}

// Offset of a language index into items, or -1 when outside the bounds. Computed in 64 bits so
// that extreme bounds cannot wrap around.
int64_t offsetOf(const SafeArray& array, int32_t index) {
    int64_t offset = static_cast<int64_t>(index) - array.lowerBound;
    return offset >= 0 && offset < static_cast<int64_t>(array.items.size()) ? offset : -1;
}

bool sameArrayContents(const ArrayPtr& a, const ArrayPtr& b) {
    if (a == b) return true;
    if (!a || !b) return false;
    return a->lowerBound == b->lowerBound && a->items == b->items;
}

}  // namespace

Variant& SafeArray::at(int32_t index) {
    int64_t offset = offsetOf(*this, index);
    if (offset < 0) throwSubscriptOutOfRange(index, *this);
    return items[static_cast<size_t>(offset)];
}

const Variant& SafeArray::at(int32_t index) const {
    int64_t offset = offsetOf(*this, index);
    if (offset < 0) throwSubscriptOutOfRange(index, *this);
    return items[static_cast<size_t>(offset)];
}

Variant Variant::array(std::vector<Variant> items, int32_t lowerBound) {
    auto array = std::make_shared<SafeArray>();
    array->lowerBound = lowerBound;
    array->items = std::move(items);
    return Variant(std::move(array));
}

bool Variant::isMissing() const {
    return type() == VarType::Error && asError() == hr::kDispParamNotFound;
}

bool Variant::operator==(const Variant& other) const {
    if (type() != other.type()) return false;
    // Two arrays are equal when their bounds and items are; objects stay compared by identity.
    if (type() == VarType::Array) return sameArrayContents(asArray(), other.asArray());
    return value_ == other.value_;
}

}  // namespace tavlora::com
