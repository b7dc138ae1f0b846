#pragma once
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "host/formula/CalcContext.h"
#include "host/formula/FormulaValue.h"

// How the engine knows a worksheet function: its name, how many arguments it takes, which of them
// it wants as references or arrays rather than as single values, and the code that computes it.
namespace tavlora::host::formula {

// The arguments as the engine hands them over. An argument the function takes by value arrives
// as a single value (blank, number, text, boolean or error; a reference went through implicit
// intersection, and an error argument is handed over, not propagated, so that IFERROR and ISERROR
// can see it). An argument it takes by reference arrives as written: a Reference, an Array, or a
// single value. An argument left out arrives as Missing.
using FunctionBody = Value (*)(CalcContext& context, std::span<const Value> arguments);

constexpr uint8_t kManyArguments = 255;

struct FunctionDefinition {
    std::string_view name;  // upper case, without the "_xlfn." prefix files give newer functions
    uint8_t minArguments = 0;
    uint8_t maxArguments = 0;  // kManyArguments: any number (up to the application's 255)
    // Bit i set: argument i is taken by reference (ranges and arrays as written). Bit 31 set: so is
    // every argument from 31 on, which lets SUM(A1:B2, C:C, ...) take any number of ranges.
    uint32_t referenceArguments = 0;
    FunctionBody body = nullptr;
    // Computed again on every calculation (NOW, RAND, OFFSET, INDIRECT).
    bool isVolatile = false;

    bool takesReference(size_t argument) const {
        return argument >= 31 ? (referenceArguments >> 31) & 1u : (referenceArguments >> argument) & 1u;
    }
};

constexpr uint32_t kAllArgumentsByReference = 0xFFFFFFFFu;

// Each family of functions lists its own; the engine's table is their union.
std::span<const FunctionDefinition> mathFunctions();         // SUM, ROUND, MOD, SUMIF, SUMPRODUCT, ...
std::span<const FunctionDefinition> statisticalFunctions();  // COUNT, AVERAGE, MEDIAN, STDEV, RANK, ...
std::span<const FunctionDefinition> logicalFunctions();      // IF, IFS, AND, SWITCH, IFERROR, ...
std::span<const FunctionDefinition> informationFunctions();  // ISBLANK, ISNUMBER, TYPE, ERROR.TYPE, NA, ...
std::span<const FunctionDefinition> textFunctions();         // LEFT, MID, TEXT, VALUE, TEXTJOIN, ...
std::span<const FunctionDefinition> dateFunctions();         // DATE, YEAR, EDATE, NETWORKDAYS, YEARFRAC, ...
std::span<const FunctionDefinition> lookupFunctions();       // VLOOKUP, INDEX, MATCH, OFFSET, INDIRECT, ...
std::span<const FunctionDefinition> financialFunctions();    // PMT, PV, FV, NPV, IRR, RATE, NPER

// The function of that name (letter case ignored, an "_xlfn." or "_xlws." prefix allowed);
// nullptr for a function the engine does not have.
const FunctionDefinition* findFunction(std::string_view name);
// The names of every function findFunction knows, sorted.
std::vector<std::string_view> functionNames();

}  // namespace tavlora::host::formula
