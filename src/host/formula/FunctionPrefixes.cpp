#include "host/formula/FunctionPrefixes.h"

#include <algorithm>
#include <array>

#include "base/Ascii.h"
#include "host/formula/FormulaLexer.h"

namespace tavlora::host::formula {

namespace {

constexpr std::string_view kPrefix = "_xlfn.";

// The functions the engine knows that files write with the prefix.
constexpr std::array<std::string_view, 16> kPrefixed{
    "AGGREGATE", "CONCAT", "DAYS",   "IFNA",    "IFS",     "ISOWEEKNUM", "MAXIFS", "MINIFS",
    "SWITCH",    "TEXTJOIN", "UNICHAR", "UNICODE", "XLOOKUP", "XMATCH",     "XOR",    "STDEV.S",
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
