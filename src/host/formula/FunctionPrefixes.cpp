#include "host/formula/FunctionPrefixes.h"

#include <algorithm>
#include <array>

#include "base/Ascii.h"
#include "host/formula/FormulaLexer.h"

namespace tavlora::host::formula {

namespace {

constexpr std::string_view kPrefix = "_xlfn.";

// The functions files write with the prefix: those newer than the original file format.
constexpr std::array<std::string_view, 79> kPrefixed{
    "ACOT", "ACOTH", "AGGREGATE", "ARABIC", "BASE", "BINOM.DIST", "BITAND", "BITLSHIFT", "BITOR",
    "BITRSHIFT", "BITXOR", "CEILING.MATH", "CHISQ.DIST", "COMBINA", "CONCAT", "CONFIDENCE.NORM",
    "CONFIDENCE.T", "COT", "COTH", "COVARIANCE.P", "COVARIANCE.S", "CSC", "CSCH", "DAYS", "DECIMAL",
    "ERF.PRECISE", "ERFC.PRECISE", "EXPON.DIST", "F.DIST", "FLOOR.MATH", "FORMULATEXT", "GAMMA",
    "GAMMA.DIST", "IFNA", "IFS", "ISFORMULA", "ISOWEEKNUM", "LOGNORM.DIST", "MAXIFS", "MINIFS", "MODE.MULT",
    "MODE.SNGL", "NETWORKDAYS.INTL", "NORM.DIST", "NORM.INV", "NORM.S.DIST", "NORM.S.INV", "NUMBERVALUE",
    "PDURATION", "PERCENTILE.EXC", "PERCENTILE.INC", "PERCENTRANK.EXC", "PERCENTRANK.INC", "PERMUTATIONA",
    "POISSON.DIST", "QUARTILE.EXC", "QUARTILE.INC", "RANK.AVG", "RANK.EQ", "RRI", "SEC", "SECH", "SHEET",
    "SHEETS", "STDEV.P", "STDEV.S", "SWITCH", "T.DIST", "T.INV", "TEXTJOIN", "UNICHAR", "UNICODE", "VAR.P",
    "VAR.S", "WEIBULL.DIST", "WORKDAY.INTL", "XLOOKUP", "XMATCH", "XOR",
};

bool needsPrefix(std::string_view name) {
    return std::any_of(kPrefixed.begin(), kPrefixed.end(),
                       [&](std::string_view p) { return base::equalsIgnoringAsciiCase(p, name); });
}

}  // namespace

std::string withFilePrefixes(std::string_view formula) {
    return rewriteTokens(formula, [](const Token& t) -> std::optional<std::string> {
        if (t.kind != TokenKind::Function || t.prefix || !needsPrefix(t.text)) return std::nullopt;
        return std::string(kPrefix) + base::asciiUpper(t.text);
    });
}

std::string withoutFilePrefixes(std::string_view formula) {
    return rewriteTokens(formula, [](const Token& t) -> std::optional<std::string> {
        if (t.kind != TokenKind::Function || !base::startsWithIgnoringAsciiCase(t.text, kPrefix)) return std::nullopt;
        return std::string(t.text.substr(kPrefix.size()));
    });
}

}  // namespace tavlora::host::formula
