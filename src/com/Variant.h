#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "com/Error.h"

namespace tavlora::com {

class Dispatch;
class Variant;

// Ordered so that "is a number" is a range check (Integer..Date).
enum class VarType : uint8_t {
    Empty,
    Null,
    Boolean,
    Integer,   // 16-bit
    Long,      // 32-bit
    LongLong,  // 64-bit
    Double,
    Currency,  // 64-bit scaled by 10,000
    Date,      // OLE automation date: days since 1899-12-30 as a double
    String,
    Object,
    Array,
    Error,  // an SCODE; hr::kDispParamNotFound marks an omitted optional argument
    Any,    // only in dispatch declarations: a parameter or result that takes any Variant
};

// A one-dimensional array of Variants with a lower bound (0 unless said otherwise).
struct SafeArray {
    int32_t lowerBound = 0;
    std::vector<Variant> items;

    // Computed in 64 bits: a high lower bound must not overflow on the way. Defined below, where
    // Variant is complete (clang refuses the vector's size() on an incomplete element type).
    int32_t upperBound() const;
    // Element by language index; out of range is error 9.
    Variant& at(int32_t index);
    const Variant& at(int32_t index) const;
};
using ArrayPtr = std::shared_ptr<SafeArray>;
using ObjectPtr = std::shared_ptr<Dispatch>;

struct CurrencyValue {
    int64_t scaled = 0;  // value * 10,000
    bool operator==(const CurrencyValue&) const = default;
};
struct DateValue {
    double serial = 0;
    bool operator==(const DateValue&) const = default;
};
struct ErrorValue {
    HRESULT scode = 0;
    bool operator==(const ErrorValue&) const = default;
};
struct NullValue {
    bool operator==(const NullValue&) const = default;
};

class Variant {
public:
    Variant() = default;
    Variant(bool v) : value_(v) {}
    Variant(int16_t v) : value_(v) {}
    Variant(int32_t v) : value_(v) {}
    Variant(int64_t v) : value_(v) {}
    Variant(double v) : value_(v) {}
    Variant(std::string v) : value_(std::move(v)) {}
    Variant(const char* v) : value_(std::string(v)) {}
    Variant(ObjectPtr v) : value_(std::move(v)) {}
    Variant(ArrayPtr v) : value_(std::move(v)) {}
    Variant(CurrencyValue v) : value_(v) {}
    Variant(DateValue v) : value_(v) {}
    Variant(ErrorValue v) : value_(v) {}
    Variant(NullValue v) : value_(v) {}

    static Variant null() { return Variant(NullValue{}); }
    static Variant missing() { return Variant(ErrorValue{hr::kDispParamNotFound}); }
    static Variant date(double serial) { return Variant(DateValue{serial}); }
    static Variant currency(int64_t scaled) { return Variant(CurrencyValue{scaled}); }
    static Variant error(HRESULT scode) { return Variant(ErrorValue{scode}); }
    // An array of the given items with lower bound 0.
    static Variant array(std::vector<Variant> items, int32_t lowerBound = 0);

    VarType type() const { return static_cast<VarType>(value_.index()); }
    bool isEmpty() const { return type() == VarType::Empty; }
    bool isNull() const { return type() == VarType::Null; }
    bool isMissing() const;
    bool isNumeric() const { return type() >= VarType::Integer && type() <= VarType::Date; }

    // Raw access; the type must match (std::bad_variant_access otherwise).
    bool asBool() const { return std::get<bool>(value_); }
    int16_t asInt16() const { return std::get<int16_t>(value_); }
    int32_t asInt32() const { return std::get<int32_t>(value_); }
    int64_t asInt64() const { return std::get<int64_t>(value_); }
    double asDouble() const { return std::get<double>(value_); }
    CurrencyValue asCurrency() const { return std::get<CurrencyValue>(value_); }
    DateValue asDate() const { return std::get<DateValue>(value_); }
    const std::string& asString() const { return std::get<std::string>(value_); }
    const ObjectPtr& asObject() const { return std::get<ObjectPtr>(value_); }
    const ArrayPtr& asArray() const { return std::get<ArrayPtr>(value_); }
    HRESULT asError() const { return std::get<ErrorValue>(value_).scode; }

    // Strict equality of type and value (objects by identity); not the language's "=".
    bool operator==(const Variant& other) const;

private:
    // Alternative order must match VarType.
    std::variant<std::monostate, NullValue, bool, int16_t, int32_t, int64_t, double, CurrencyValue,
                 DateValue, std::string, ObjectPtr, ArrayPtr, ErrorValue>
        value_;
};

inline int32_t SafeArray::upperBound() const {
    return static_cast<int32_t>(static_cast<int64_t>(lowerBound) + static_cast<int64_t>(items.size()) - 1);
}

}  // namespace tavlora::com
