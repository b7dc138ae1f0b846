#include "host/formula/FormulaEvaluator.h"

#include <algorithm>
#include <cmath>

#include "host/formula/ArithmeticProgram.h"
#include "host/formula/FormulaOperators.h"
#include "host/formula/ValueCoercion.h"

namespace tavlora::host::formula {

namespace {

constexpr int64_t kMaxArrayCells = int64_t(1) << 20;

bool isMultiCell(const Value& v) {
    if (!v.isReference()) return false;
    const auto& refs = v.asReferences();
    return refs.size() != 1 || refs.front().area.cellCount() != 1;
}

// The value as an operator working cell by cell sees it: arrays stay arrays, areas become arrays.
Value elementOperand(const Value& v, CalcContext& context) {
    if (v.isArray()) return v;
    if (isMultiCell(v)) return Value::array(arrayOf(v, context));
    return singleValue(v, context);
}

// The shape two array operands combine to: the larger of each; a single row or column repeats.
struct Shape {
    int32_t rows = 1;
    int32_t columns = 1;
};

const Value& elementAt(const Value& v, int32_t row, int32_t column, const Value& outside) {
    if (!v.isArray()) return v;
    const ValueArray& a = v.asArray();
    int32_t r = a.rows == 1 ? 0 : row;
    int32_t c = a.columns == 1 ? 0 : column;
    if (r >= a.rows || c >= a.columns) return outside;
    return a.at(r, c);
}

Shape combinedShape(std::span<const Value> values) {
    Shape shape;
    for (const auto& v : values) {
        if (!v.isArray()) continue;
        shape.rows = std::max(shape.rows, v.asArray().rows);
        shape.columns = std::max(shape.columns, v.asArray().columns);
    }
    return shape;
}

class Evaluator {
public:
    Evaluator(CalcContext& context, std::vector<Value>& stack)
        : context_(context), date1904_(context.uses1904Dates()), stack_(stack) {}

    Value run(const CompiledFormula& formula, FormulaOffset offset, bool isArrayFormula) {
        if (formula.isArithmetic && !isArrayFormula)
            if (std::optional<double> n = arithmetic(formula, offset)) return Value::number(*n);
        stack_.clear();
        const auto& code = formula.code;
        size_t pc = 0;
        while (pc < code.size()) {
            const Instruction& ins = code[pc];
            size_t next = pc + 1;
            switch (ins.op) {
                case OpCode::Number: stack_.push_back(Value::number(ins.data.number)); break;
                case OpCode::Constant: stack_.push_back(formula.constants[ins.index]); break;
                case OpCode::Missing: stack_.push_back(Value::missing()); break;
                case OpCode::Reference: stack_.push_back(Value::reference(formula.reference(ins.index, offset))); break;
                case OpCode::CellValue: {
                    const SheetArea cell = formula.reference(ins.index, offset);
                    stack_.push_back(context_.cellValue(cell.sheet, cell.area.firstRow, cell.area.firstColumn));
                    break;
                }
                case OpCode::Add:
                case OpCode::Subtract: {
                    bool last = next == code.size();
                    binary(ins, last);
                    break;
                }
                case OpCode::Multiply: case OpCode::Divide: case OpCode::Power: case OpCode::Concat:
                case OpCode::Equal: case OpCode::NotEqual: case OpCode::Less: case OpCode::LessOrEqual:
                case OpCode::Greater: case OpCode::GreaterOrEqual:
                    binary(ins, false);
                    break;
                case OpCode::Negate: case OpCode::Plus: case OpCode::Percent: unary(ins); break;
                case OpCode::Range: rangeOperator(); break;
                case OpCode::Intersect: intersectOperator(); break;
                case OpCode::Union: unionOperator(ins.argc); break;
                case OpCode::Call: call(ins); break;
                case OpCode::JumpIfFalse: {
                    Value condition = singleValue(pop(), context_);
                    if (condition.isError()) {
                        stack_.push_back(condition);
                        next = skipToEndOfIf(code, ins.index);
                        break;
                    }
                    BooleanResult b = toBoolean(condition);
                    if (!b.ok()) {
                        stack_.push_back(Value::error(*b.error));
                        next = skipToEndOfIf(code, ins.index);
                    } else if (!b.boolean) {
                        next = ins.index;
                    }
                    break;
                }
                case OpCode::Jump: next = ins.index; break;
                case OpCode::JumpIfNotError:
                case OpCode::JumpIfNotNA: {
                    Value v = stack_.back();
                    if (!v.isArray()) v = singleValue(v, context_);
                    if (v.isMissing() || v.isBlank()) v = Value::number(0);
                    bool caught = v.isError() && (ins.op == OpCode::JumpIfNotError || v.asError() == ErrorValue::NA);
                    stack_.back() = v;
                    if (!caught) next = ins.index;
                    break;
                }
                case OpCode::Pop: stack_.pop_back(); break;
                case OpCode::Choose: next = choose(formula.jumpTables[ins.index]); break;
                case OpCode::IfMissingBranch: stack_.push_back(Value::boolean(false)); break;
            }
            pc = next;
        }
        if (stack_.size() != 1) return Value::error(ErrorValue::Value);
        return finalValue(pop(), isArrayFormula);
    }

private:
    // Most formulas of a list ("C2*D2", "F1+E2") on plain numbers; whatever needs the application's
    // rules gives nullopt, and the formula is evaluated in full instead.
    std::optional<double> arithmetic(const CompiledFormula& formula, FormulaOffset offset) {
        return evaluateArithmetic(formula, offset, [this](const CompiledFormula::CellPlace& cell, double& number) {
            return context_.cellNumber(cell.sheet, cell.row, cell.column, number);
        });
    }

    Value pop() {
        Value v = std::move(stack_.back());
        stack_.pop_back();
        return v;
    }

    Value finalValue(Value v, bool isArrayFormula) {
        if (isArrayFormula) {
            if (isMultiCell(v)) return Value::array(arrayOf(v, context_));
            if (v.isArray()) return v;
        }
        v = singleValue(v, context_);
        if (v.isBlank() || v.isMissing()) return Value::number(0);
        return v;
    }

    // An error condition ends IF at once: the jump before the false branch leads past its end.
    static size_t skipToEndOfIf(const std::vector<Instruction>& code, uint32_t falseStart) {
        const Instruction& jump = code[falseStart - 1];
        return jump.op == OpCode::Jump ? jump.index : falseStart;
    }

    // The table lists where each value starts, then where CHOOSE ends.
    size_t choose(const std::vector<uint32_t>& table) {
        Value index = singleValue(pop(), context_);
        const size_t end = table.back();
        const size_t count = table.size() - 1;
        if (index.isError()) {
            stack_.push_back(index);
            return end;
        }
        NumberResult n = toNumber(index, date1904_);
        if (!n.ok()) {
            stack_.push_back(Value::error(*n.error));
            return end;
        }
        double i = std::floor(n.number);
        if (i < 1 || i > double(count)) {
            stack_.push_back(Value::error(ErrorValue::Value));
            return end;
        }
        return table[size_t(i) - 1];
    }

    void binary(const Instruction& ins, bool lastOperation) {
        // Two numbers, as in most formulas of a list: nothing to coerce or spread, and no copies.
        if (Value& l = stack_[stack_.size() - 2], &r = stack_.back(); l.isNumber() && r.isNumber()) {
            Value result = scalarBinary(ins.op, l, r, lastOperation);
            stack_.pop_back();
            stack_.back() = std::move(result);
            return;
        }
        Value right = pop();
        Value left = pop();
        if (ins.elementwise) {
            left = elementOperand(left, context_);
            right = elementOperand(right, context_);
        } else {
            if (!left.isArray()) left = singleValue(left, context_);
            if (!right.isArray()) right = singleValue(right, context_);
        }
        if (!left.isArray() && !right.isArray()) {
            stack_.push_back(scalarBinary(ins.op, left, right, lastOperation));
            return;
        }
        Value both[2] = {left, right};
        Shape shape = combinedShape(both);
        ValueArray out{shape.rows, shape.columns, {}};
        out.values.reserve(size_t(shape.rows) * size_t(shape.columns));
        const Value na = Value::error(ErrorValue::NA);
        for (int32_t r = 0; r < shape.rows; ++r)
            for (int32_t c = 0; c < shape.columns; ++c) {
                const Value& a = elementAt(left, r, c, na);
                const Value& b = elementAt(right, r, c, na);
                out.values.push_back(scalarBinary(ins.op, a, b, false));
            }
        stack_.push_back(Value::array(std::move(out)));
    }

    Value scalarBinary(OpCode op, const Value& left, const Value& right, bool lastOperation) {
        if (lastOperation && left.isNumber() && right.isNumber()) {
            double a = left.asNumber(), b = right.asNumber();
            Value result = binaryOperation(op, left, right, date1904_);
            if (result.isNumber()) return Value::number(snapNearZero(result.asNumber(), a, b));
            return result;
        }
        return binaryOperation(op, left, right, date1904_);
    }

    void unary(const Instruction& ins) {
        Value v = pop();
        v = ins.elementwise ? elementOperand(v, context_) : (v.isArray() ? v : singleValue(v, context_));
        if (!v.isArray()) {
            stack_.push_back(unaryOperation(ins.op, v, date1904_));
            return;
        }
        const ValueArray& a = v.asArray();
        ValueArray out{a.rows, a.columns, {}};
        out.values.reserve(a.values.size());
        for (const auto& e : a.values) out.values.push_back(unaryOperation(ins.op, e, date1904_));
        stack_.push_back(Value::array(std::move(out)));
    }

    static std::optional<SheetArea> singleArea(const Value& v) {
        if (!v.isReference() || v.asReferences().size() != 1) return std::nullopt;
        return v.asReferences().front();
    }

    void rangeOperator() {
        Value right = pop();
        Value left = pop();
        if (left.isError()) return stack_.push_back(left);
        if (right.isError()) return stack_.push_back(right);
        auto a = singleArea(left);
        auto b = singleArea(right);
        if (!a || !b || a->sheet != b->sheet) return stack_.push_back(Value::error(ErrorValue::Value));
        Area area{std::min(a->area.firstRow, b->area.firstRow), std::min(a->area.firstColumn, b->area.firstColumn),
                  std::max(a->area.lastRow, b->area.lastRow), std::max(a->area.lastColumn, b->area.lastColumn)};
        stack_.push_back(Value::reference(SheetArea{a->sheet, area}));
    }

    void intersectOperator() {
        Value right = pop();
        Value left = pop();
        if (left.isError()) return stack_.push_back(left);
        if (right.isError()) return stack_.push_back(right);
        if (!left.isReference() || !right.isReference()) return stack_.push_back(Value::error(ErrorValue::Value));
        std::vector<SheetArea> out;
        for (const auto& a : left.asReferences())
            for (const auto& b : right.asReferences()) {
                if (a.sheet != b.sheet) continue;
                Area i{std::max(a.area.firstRow, b.area.firstRow), std::max(a.area.firstColumn, b.area.firstColumn),
                       std::min(a.area.lastRow, b.area.lastRow), std::min(a.area.lastColumn, b.area.lastColumn)};
                if (i.firstRow <= i.lastRow && i.firstColumn <= i.lastColumn) out.push_back(SheetArea{a.sheet, i});
            }
        if (out.empty()) return stack_.push_back(Value::error(ErrorValue::Null));
        stack_.push_back(Value::references(std::move(out)));
    }

    void unionOperator(uint8_t count) {
        std::vector<SheetArea> areas;
        size_t first = stack_.size() - count;
        std::optional<Value> problem;
        for (size_t i = first; i < stack_.size(); ++i) {
            const Value& v = stack_[i];
            if (v.isReference()) {
                areas.insert(areas.end(), v.asReferences().begin(), v.asReferences().end());
            } else if (!problem) {
                problem = v.isError() ? v : Value::error(ErrorValue::Value);
            }
        }
        stack_.resize(first);
        stack_.push_back(problem ? *problem : Value::references(std::move(areas)));
    }

    // The arguments stay on the stack and are handed over in place: a call allocates nothing.
    void call(const Instruction& ins) {
        const FunctionDefinition& definition = *ins.data.function;
        const size_t first = stack_.size() - ins.argc;
        bool lifted = false;
        for (size_t i = 0; i < ins.argc; ++i) {
            Value& arg = stack_[first + i];
            if (definition.takesReference(i) || arg.isMissing()) continue;
            if (ins.elementwise) {
                if (arg.isArray() || isMultiCell(arg)) {
                    arg = elementOperand(arg, context_);
                    lifted = true;
                } else {
                    arg = singleValue(arg, context_);
                }
            } else if (arg.isReference() || arg.isArray()) {
                arg = singleValue(arg, context_);
            }
        }
        std::span<const Value> args(stack_.data() + first, ins.argc);
        Value result = lifted ? liftedCall(definition, args) : definition.body(context_, args);
        stack_.resize(first);
        stack_.push_back(std::move(result));
    }

    // A function that takes single values, given arrays: called once per element.
    Value liftedCall(const FunctionDefinition& definition, std::span<const Value> args) {
        std::vector<Value> byValue;
        for (size_t i = 0; i < args.size(); ++i)
            if (!definition.takesReference(i)) byValue.push_back(args[i]);
        Shape shape = combinedShape(byValue);
        ValueArray out{shape.rows, shape.columns, {}};
        std::vector<Value> element(args.size());
        const Value na = Value::error(ErrorValue::NA);
        for (int32_t r = 0; r < shape.rows; ++r)
            for (int32_t c = 0; c < shape.columns; ++c) {
                for (size_t i = 0; i < args.size(); ++i)
                    element[i] = definition.takesReference(i) ? args[i] : elementAt(args[i], r, c, na);
                Value v = definition.body(context_, element);
                out.values.push_back(v.isArray() || v.isReference() ? singleValue(v, context_) : v);
            }
        return Value::array(std::move(out));
    }

    CalcContext& context_;
    bool date1904_;
    std::vector<Value>& stack_;
};

}  // namespace

Value singleValue(const Value& value, CalcContext& context) {
    if (value.isArray()) {
        const ValueArray& a = value.asArray();
        if (a.values.empty()) return Value::error(ErrorValue::Value);
        return a.values.front();
    }
    if (!value.isReference()) return value;
    const auto& refs = value.asReferences();
    if (refs.size() != 1) return Value::error(ErrorValue::Value);
    const SheetArea& r = refs.front();
    const Area& a = r.area;
    if (a.cellCount() == 1) return context.cellValue(r.sheet, a.firstRow, a.firstColumn);
    const Area caller = context.caller().area;
    const int32_t row = caller.firstRow, column = caller.firstColumn;
    bool rowInside = row >= a.firstRow && row <= a.lastRow;
    bool columnInside = column >= a.firstColumn && column <= a.lastColumn;
    if (a.firstColumn == a.lastColumn && rowInside) return context.cellValue(r.sheet, row, a.firstColumn);
    if (a.firstRow == a.lastRow && columnInside) return context.cellValue(r.sheet, a.firstRow, column);
    if (rowInside && columnInside) return context.cellValue(r.sheet, row, column);
    return Value::error(ErrorValue::Value);
}

ValueArray arrayOf(const Value& value, CalcContext& context) {
    if (value.isArray()) return value.asArray();
    if (!value.isReference()) return ValueArray{1, 1, {value}};
    const auto& refs = value.asReferences();
    if (refs.size() != 1) return ValueArray{1, 1, {Value::error(ErrorValue::Value)}};
    const SheetArea& r = refs.front();
    if (r.area.cellCount() > kMaxArrayCells) throw CannotEvaluate("an array of more than a million cells");
    ValueArray out{int32_t(r.area.rowCount()), int32_t(r.area.columnCount()), {}};
    out.values.resize(size_t(r.area.cellCount()));
    // Only used cells are read; the rest stay blank.
    context.forEachValue(r, [&](int32_t row, int32_t column, const Value& v) {
        out.values[size_t(row - r.area.firstRow) * size_t(out.columns) + size_t(column - r.area.firstColumn)] = v;
    });
    return out;
}

Value evaluateFormula(const CompiledFormula& formula, CalcContext& context, bool isArrayFormula,
                      std::vector<Value>& scratch, FormulaOffset offset) {
    Evaluator evaluator(context, scratch);
    return evaluator.run(formula, offset, isArrayFormula);
}

Value evaluateFormula(const CompiledFormula& formula, CalcContext& context, bool isArrayFormula) {
    std::vector<Value> scratch;
    return evaluateFormula(formula, context, isArrayFormula, scratch);
}

}  // namespace tavlora::host::formula
