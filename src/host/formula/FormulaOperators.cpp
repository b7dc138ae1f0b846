#include "host/formula/FormulaOperators.h"

#include <cmath>

#include "host/formula/ValueCoercion.h"

namespace tavlora::host::formula {

namespace {

// Numbers this close (relative) compare equal, as the application compares at 15 digits.
constexpr double kEqualityTolerance = 1.0 / (1ull << 48);

Value arithmetic(OpCode op, double a, double b) {
    switch (op) {
        case OpCode::Add: return numberResult(a + b);
        case OpCode::Subtract: return numberResult(a - b);
        case OpCode::Multiply: return numberResult(a * b);
        case OpCode::Divide:
            if (b == 0) return Value::error(ErrorValue::Div0);
            return numberResult(a / b);
        case OpCode::Power:
            if (a == 0 && b == 0) return Value::error(ErrorValue::Num);
            if (a == 0 && b < 0) return Value::error(ErrorValue::Div0);
            return numberResult(std::pow(a, b));
        default: return Value::error(ErrorValue::Value);
    }
}

bool nearlyEqual(double a, double b) {
    if (a == b) return true;
    return std::fabs(a - b) <= std::max(std::fabs(a), std::fabs(b)) * kEqualityTolerance;
}

Value comparison(OpCode op, const Value& left, const Value& right) {
    int order;
    if (left.isNumber() && right.isNumber()) {
        double a = left.asNumber(), b = right.asNumber();
        order = nearlyEqual(a, b) ? 0 : (a < b ? -1 : 1);
    } else {
        order = compareValues(left.isMissing() ? Value() : left, right.isMissing() ? Value() : right);
    }
    switch (op) {
        case OpCode::Equal: return Value::boolean(order == 0);
        case OpCode::NotEqual: return Value::boolean(order != 0);
        case OpCode::Less: return Value::boolean(order < 0);
        case OpCode::LessOrEqual: return Value::boolean(order <= 0);
        case OpCode::Greater: return Value::boolean(order > 0);
        case OpCode::GreaterOrEqual: return Value::boolean(order >= 0);
        default: return Value::error(ErrorValue::Value);
    }
}

}  // namespace

Value numberResult(double n) {
    if (!std::isfinite(n)) return Value::error(ErrorValue::Num);
    return Value::number(n);
}

double snapNearZero(double result, double left, double right) {
    if (result == 0 || !std::isfinite(result)) return result;
    double scale = std::max(std::fabs(left), std::fabs(right));
    return std::fabs(result) <= scale * kEqualityTolerance ? 0.0 : result;
}

Value binaryOperation(OpCode op, const Value& left, const Value& right, bool date1904) {
    if (left.isError()) return left;
    if (right.isError()) return right;
    switch (op) {
        case OpCode::Concat: {
            TextResult a = toText(left);
            if (!a.ok()) return Value::error(*a.error);
            TextResult b = toText(right);
            if (!b.ok()) return Value::error(*b.error);
            return Value::text(a.text + b.text);
        }
        case OpCode::Equal:
        case OpCode::NotEqual:
        case OpCode::Less:
        case OpCode::LessOrEqual:
        case OpCode::Greater:
        case OpCode::GreaterOrEqual: return comparison(op, left, right);
        default: break;
    }
    if (left.isNumber() && right.isNumber()) return arithmetic(op, left.asNumber(), right.asNumber());
    NumberResult a = toNumber(left, date1904);
    if (!a.ok()) return Value::error(*a.error);
    NumberResult b = toNumber(right, date1904);
    if (!b.ok()) return Value::error(*b.error);
    return arithmetic(op, a.number, b.number);
}

Value unaryOperation(OpCode op, const Value& operand, bool date1904) {
    if (operand.isError()) return operand;
    if (op == OpCode::Plus) return operand.isMissing() ? Value() : operand;
    NumberResult n = toNumber(operand, date1904);
    if (!n.ok()) return Value::error(*n.error);
    if (op == OpCode::Negate) return Value::number(-n.number);
    return numberResult(n.number / 100);
}

}  // namespace tavlora::host::formula
