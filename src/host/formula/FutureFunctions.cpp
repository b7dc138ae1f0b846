#include "host/formula/FutureFunctions.h"

#include <algorithm>
#include <array>

#include "base/Ascii.h"
#include "host/formula/FormulaLexer.h"

namespace tavlora::host::formula {

namespace {

constexpr std::string_view kFuture = "_xlfn.";
constexpr std::string_view kFutureWorksheet = "_xlfn._xlws.";

// Sorted, upper case: the functions the application stores with "_xlfn." (not every newer function
// is among them: NETWORKDAYS.INTL, WORKDAY.INTL and ISO.CEILING are stored bare).
constexpr std::array<std::string_view, 142> kFutureFunctions{
    "ACOT", "ACOTH", "AGGREGATE", "ARABIC", "ARRAYTOTEXT", "BASE", "BETA.DIST", "BETA.INV", "BINOM.DIST",
    "BINOM.DIST.RANGE", "BINOM.INV", "BITAND", "BITLSHIFT", "BITOR", "BITRSHIFT", "BITXOR", "BYCOL", "BYROW",
    "CEILING.MATH", "CEILING.PRECISE", "CHISQ.DIST", "CHISQ.DIST.RT", "CHISQ.INV", "CHISQ.INV.RT", "CHISQ.TEST",
    "CHOOSECOLS", "CHOOSEROWS", "COMBINA", "CONCAT", "CONFIDENCE.NORM", "CONFIDENCE.T", "COT", "COTH",
    "COVARIANCE.P", "COVARIANCE.S", "CSC", "CSCH", "DAYS", "DECIMAL", "DROP", "ERF.PRECISE", "ERFC.PRECISE",
    "EXPAND", "EXPON.DIST", "F.DIST", "F.DIST.RT", "F.INV", "F.INV.RT", "F.TEST", "FLOOR.MATH", "FLOOR.PRECISE",
    "FORMULATEXT", "GAMMA", "GAMMA.DIST", "GAMMA.INV", "GAMMALN.PRECISE", "GAUSS", "HSTACK", "HYPGEOM.DIST",
    "IFNA", "IFS", "IMCOSH", "IMCOT", "IMCSC", "IMCSCH", "IMSEC", "IMSECH", "IMSINH", "IMTAN", "ISFORMULA",
    "ISOMITTED", "ISOWEEKNUM", "LAMBDA", "LET", "LOGNORM.DIST", "LOGNORM.INV", "MAKEARRAY", "MAP", "MAXIFS",
    "MINIFS", "MODE.MULT", "MODE.SNGL", "MUNIT", "NEGBINOM.DIST", "NORM.DIST", "NORM.INV", "NORM.S.DIST",
    "NORM.S.INV", "NUMBERVALUE", "PDURATION", "PERCENTILE.EXC", "PERCENTILE.INC", "PERCENTRANK.EXC",
    "PERCENTRANK.INC", "PERMUTATIONA", "PHI", "POISSON.DIST", "QUARTILE.EXC", "QUARTILE.INC", "RANDARRAY",
    "RANK.AVG", "RANK.EQ", "REDUCE", "RRI", "SCAN", "SEC", "SECH", "SEQUENCE", "SHEET", "SHEETS", "SINGLE",
    "SKEW.P", "STDEV.P", "STDEV.S", "SWITCH", "T.DIST", "T.DIST.2T", "T.DIST.RT", "T.INV", "T.INV.2T", "T.TEST",
    "TAKE", "TEXTAFTER", "TEXTBEFORE", "TEXTJOIN", "TEXTSPLIT", "TOCOL", "TOROW", "UNICHAR", "UNICODE",
    "UNIQUE", "VALUETOTEXT", "VAR.P", "VAR.S", "VSTACK", "WEIBULL.DIST", "WRAPCOLS", "WRAPROWS", "XLOOKUP",
    "XMATCH", "XOR", "Z.TEST"};

// Of those, the ones stored with the worksheet namespace as well.
constexpr std::array<std::string_view, 3> kWorksheetFunctions{"FILTER", "SORT", "SORTBY"};

bool isListed(std::string_view upper) {
    return std::binary_search(kFutureFunctions.begin(), kFutureFunctions.end(), upper);
}

}  // namespace

std::string_view futureFunctionPrefix(std::string_view name) {
    if (name.size() > 20) return "";
    std::string upper = base::asciiUpper(name);
    if (std::find(kWorksheetFunctions.begin(), kWorksheetFunctions.end(), upper) != kWorksheetFunctions.end())
        return kFutureWorksheet;
    return isListed(upper) ? kFuture : "";
}

std::string withFutureFunctionPrefixes(std::string_view formula) {
    // Most formulas call no function at all; they are copied without lexing.
    if (formula.find('(') == std::string_view::npos) return std::string(formula);
    return rewriteTokens(formula, [](const Token& token) -> std::optional<std::string> {
        if (token.kind != TokenKind::Function || base::startsWithIgnoringAsciiCase(token.text, kFuture)) return std::nullopt;
        std::string_view prefix = futureFunctionPrefix(token.text);
        if (prefix.empty()) return std::nullopt;
        return std::string(prefix) + std::string(token.text);
    });
}

std::string withoutFutureFunctionPrefixes(std::string_view formula) {
    if (formula.find(kFuture) == std::string_view::npos) return std::string(formula);
    return rewriteTokens(formula, [](const Token& token) -> std::optional<std::string> {
        if (token.kind != TokenKind::Function) return std::nullopt;
        std::string_view name = token.text;
        for (std::string_view prefix : {kFutureWorksheet, kFuture})
            if (base::startsWithIgnoringAsciiCase(name, prefix)) return std::string(name.substr(prefix.size()));
        return std::nullopt;
    });
}

}  // namespace tavlora::host::formula
