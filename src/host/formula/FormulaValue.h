#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "host/cells/CellRef.h"

// The values a formula computes with: what a cell can hold (blank, number, text, boolean, error),
// and what only exists inside a calculation (references to cells, arrays, an omitted argument).
namespace tavlora::host::formula {

// The application's error values, numbered as ERROR.TYPE gives them.
enum class ErrorValue : uint8_t {
    Null = 1,          // #NULL!   (an empty intersection)
    Div0 = 2,          // #DIV/0!
    Value = 3,         // #VALUE!
    Ref = 4,           // #REF!
    Name = 5,          // #NAME?
    Num = 6,           // #NUM!
    NA = 7,            // #N/A
    GettingData = 8,   // #GETTING_DATA
    Spill = 9,         // #SPILL!
    Calc = 14,         // #CALC!
};

std::string_view errorText(ErrorValue error);
// The error spelled `text` (letter case ignored); nullopt for any other text.
std::optional<ErrorValue> errorFromText(std::string_view text);

// An area of one sheet of the workbook being computed; `sheet` is the sheet's index in the
// workbook's sheet list as the engine was given it.
struct SheetArea {
    int32_t sheet = 0;
    Area area;
    bool operator==(const SheetArea&) const = default;
};

class Value;

// A rectangular array of values (an array constant, or what an array operation gives), row by row.
struct ValueArray {
    int32_t rows = 0;
    int32_t columns = 0;
    std::vector<Value> values;  // rows * columns, row-major

    const Value& at(int32_t row, int32_t column) const;  // 0-based
};

class Value {
public:
    enum class Kind : uint8_t { Blank, Number, Text, Boolean, Error, Reference, Array, Missing };

    Value() = default;  // blank
    static Value number(double n) { return Value(Payload(n)); }
    static Value text(std::string t) { return Value(Payload(std::move(t))); }
    static Value boolean(bool b) { return Value(Payload(Boolean{b})); }
    static Value error(ErrorValue e) { return Value(Payload(e)); }
    // One area, or several (a union, "(A1:B2,D4)"); an empty list is not allowed.
    static Value reference(SheetArea area) { return Value(Payload(References{std::move(area)})); }
    static Value references(std::vector<SheetArea> areas) { return Value(Payload(References(std::move(areas)))); }
    static Value array(ValueArray array) {
        return Value(Payload(std::make_shared<const ValueArray>(std::move(array))));
    }
    // An argument left out ("ROUND(A1,)"): functions read it as their default, operators as blank.
    static Value missing() { return Value(Payload(Missing{})); }

    Kind kind() const { return static_cast<Kind>(payload_.index()); }
    bool isBlank() const { return kind() == Kind::Blank; }
    bool isNumber() const { return kind() == Kind::Number; }
    bool isText() const { return kind() == Kind::Text; }
    bool isBoolean() const { return kind() == Kind::Boolean; }
    bool isError() const { return kind() == Kind::Error; }
    bool isReference() const { return kind() == Kind::Reference; }
    bool isArray() const { return kind() == Kind::Array; }
    bool isMissing() const { return kind() == Kind::Missing; }

    // Each accessor requires its kind.
    double asNumber() const { return std::get<double>(payload_); }
    const std::string& asText() const { return std::get<std::string>(payload_); }
    bool asBoolean() const { return std::get<Boolean>(payload_).value; }
    ErrorValue asError() const { return std::get<ErrorValue>(payload_); }
    const std::vector<SheetArea>& asReferences() const { return std::get<References>(payload_); }
    const ValueArray& asArray() const { return *std::get<std::shared_ptr<const ValueArray>>(payload_); }

    // Same kind and same content (texts compared exactly); for tests and change detection.
    bool operator==(const Value& other) const;

private:
    struct Boolean {
        bool value;
        bool operator==(const Boolean&) const = default;
    };
    struct Missing {
        bool operator==(const Missing&) const = default;
    };
    using References = std::vector<SheetArea>;
    // The order is Kind's order.
    using Payload = std::variant<std::monostate, double, std::string, Boolean, ErrorValue, References,
                                 std::shared_ptr<const ValueArray>, Missing>;
    explicit Value(Payload payload) : payload_(std::move(payload)) {}
    Payload payload_;
};

}  // namespace tavlora::host::formula
