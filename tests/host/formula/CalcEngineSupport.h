#pragma once
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "host/cells/CellRef.h"
#include "host/formula/CalcEngine.h"

// An engine over two sheets of cells held by the test, with a few functions of its own so that
// the evaluator and the graph are tested without the worksheet function families.
namespace tavlora::host::formula::testing {

// SUMT: the numbers of its arguments (references walked, direct values coerced).
inline Value sumT(CalcContext& context, std::span<const Value> arguments) {
    double total = 0;
    for (const Value& a : arguments) {
        if (a.isReference()) {
            for (const SheetArea& area : a.asReferences()) {
                std::optional<Value> error;
                context.forEachValue(area, [&](int32_t, int32_t, const Value& v) {
                    if (v.isNumber()) total += v.asNumber();
                    if (v.isError() && !error) error = v;
                });
                if (error) return *error;
            }
        } else if (a.isArray()) {
            for (const Value& v : a.asArray().values) {
                if (v.isError()) return v;
                if (v.isNumber()) total += v.asNumber();
            }
        } else if (a.isError()) {
            return a;
        } else if (a.isNumber()) {
            total += a.asNumber();
        }
    }
    return Value::number(total);
}
// TWICE: one number doubled, taken by value.
inline Value twiceT(CalcContext&, std::span<const Value> arguments) {
    const Value& a = arguments[0];
    if (a.isError()) return a;
    if (!a.isNumber()) return Value::error(ErrorValue::Value);
    return Value::number(a.asNumber() * 2);
}
inline Value randT(CalcContext& context, std::span<const Value>) { return Value::number(context.random()); }
inline Value areaT(CalcContext&, std::span<const Value> arguments) { return arguments[0]; }

// REFT(text, a1): the reference a text names, as INDIRECT resolves it.
inline Value refT(CalcContext& context, std::span<const Value> arguments) {
    if (!arguments[0].isText()) return Value::error(ErrorValue::Ref);
    bool a1 = arguments.size() < 2 || !arguments[1].isBoolean() || arguments[1].asBoolean();
    auto area = context.resolveReference(arguments[0].asText(), a1);
    return area ? Value::reference(*area) : Value::error(ErrorValue::Ref);
}

inline const FunctionDefinition* testFunction(std::string_view name) {
    static const std::array definitions{
        FunctionDefinition{"SUMT", 1, kManyArguments, kAllArgumentsByReference, &sumT, false},
        FunctionDefinition{"TWICE", 1, 1, 0, &twiceT, false},
        FunctionDefinition{"RANDT", 0, 0, 0, &randT, true},
        FunctionDefinition{"AREAT", 1, 1, 1, &areaT, false},
        FunctionDefinition{"REFT", 1, 2, 0, &refT, true},
    };
    for (const auto& definition : definitions)
        if (definition.name == name) return &definition;
    return nullptr;
}

class EngineFixture : public ::testing::Test {
protected:
    EngineFixture() : EngineFixture([](std::string_view name) { return testFunction(name); }) {}
    explicit EngineFixture(CalcEngine::FunctionLookup lookup) : engine(std::move(lookup)) { reset(); }

    void reset() {
        WorkbookView view;
        view.sheets = {{"Main", &cells[0]}, {"Other Sheet", &cells[1]}};
        view.strings = &strings;
        view.names = names;
        view.tables = tables;
        engine.setWorkbook(view);
    }
    Cell& at(const std::string& address, int sheet = 0) {
        int32_t row = 0, column = 0;
        EXPECT_TRUE(parseCell(address, row, column)) << address;
        return cells[sheet].cellAt(row, column);
    }
    void put(const std::string& address, double n, int sheet = 0) {
        Cell& c = at(address, sheet);
        c.kind = CellKind::Number;
        c.payload.number = n;
        changed(address, sheet);
    }
    void putText(const std::string& address, const std::string& text, int sheet = 0) {
        Cell& c = at(address, sheet);
        c.kind = CellKind::String;
        c.payload.stringId = strings.intern(text);
        changed(address, sheet);
    }
    void changed(const std::string& address, int sheet = 0) { engine.valuesChanged(sheet, *parseA1(address)); }
    // A formula cell as a file brings it: text and the value it cached.
    void formula(const std::string& address, const std::string& text, int sheet = 0) {
        Formula f;
        f.text = text;
        Cell& c = at(address, sheet);
        c.kind = CellKind::Formula;
        c.payload.formulaId = cells[sheet].addFormula(std::move(f));
        auto area = *parseA1(address);
        engine.formulaChanged(sheet, area.firstRow, area.firstColumn);
    }
    void arrayFormula(const std::string& area, const std::string& text) {
        Area a = *parseA1(area);
        Formula f;
        f.text = text;
        f.setArrayArea(a);
        Cell& c = cells[0].cellAt(a.firstRow, a.firstColumn);
        c.kind = CellKind::Formula;
        c.payload.formulaId = cells[0].addFormula(std::move(f));
    }
    Formula& formulaAt(const std::string& address, int sheet = 0) {
        return cells[sheet].formulas()[at(address, sheet).payload.formulaId];
    }
    // The cell's value after computing what it needs.
    Value value(const std::string& address, int sheet = 0) {
        auto area = *parseA1(address);
        engine.calculateCell(sheet, area.firstRow, area.firstColumn);
        const Cell& c = at(address, sheet);
        switch (c.kind) {
            case CellKind::Number: return Value::number(c.payload.number);
            case CellKind::String: return Value::text(strings.text(c.payload.stringId));
            case CellKind::Boolean: return Value::boolean(c.payload.boolean);
            case CellKind::Error: return Value::error(*errorFromText(strings.text(c.payload.stringId)));
            case CellKind::Formula: {
                const Formula& f = formulaAt(address, sheet);
                switch (f.cachedKind) {
                    case CellKind::Number: return Value::number(f.cachedNumber);
                    case CellKind::String: return Value::text(f.cachedText());
                    case CellKind::Boolean: return Value::boolean(f.cachedNumber != 0);
                    case CellKind::Error: return Value::error(*errorFromText(f.cachedText()));
                    default: return Value();
                }
            }
            default: return Value();
        }
    }
    // Computes a formula put into Z1000 of the main sheet.
    Value eval(const std::string& text) {
        formula("Z1000", text);
        return value("Z1000");
    }

    std::array<CellStore, 2> cells;
    StringPool strings;
    std::vector<WorkbookView::Name> names;
    std::vector<TableDefinition> tables;
    CalcEngine engine;
};

inline Value number(double n) { return Value::number(n); }
inline Value text(const std::string& t) { return Value::text(t); }
inline Value boolean(bool b) { return Value::boolean(b); }
inline Value error(ErrorValue e) { return Value::error(e); }

}  // namespace tavlora::host::formula::testing
