#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <vector>

#include "base/CharacterCase.h"
#include "base/Utf8.h"
#include "com/UnicodeText.h"
#include "com/Variant.h"
#include "host/format/NumberFormat.h"
#include "host/formula/FunctionDefinition.h"
#include "host/formula/TextPattern.h"
#include "host/formula/ValueCoercion.h"
#include "host/formula/functions/ListArguments.h"
#include "host/formula/functions/OptionalArguments.h"
#include "host/formula/functions/Utf16Text.h"

namespace tavlora::host::formula {

namespace {

using Args = std::span<const Value>;
using arguments::errorOf;

Value textValue(std::string text) {
    if (!fitsInCell(text)) return Value::error(ErrorValue::Value);
    return Value::text(std::move(text));
}

// The first `count` code units of the text, or the text when it is shorter.
std::u16string_view clip(std::u16string_view units, int64_t from, int64_t count) {
    if (from >= int64_t(units.size())) return {};
    return units.substr(size_t(from), size_t(std::min<int64_t>(count, int64_t(units.size()) - from)));
}

// LEFT and RIGHT: the count is 1 when not written, 0 when written empty, #VALUE! when negative.
Value leftOrRight(CalcContext& context, Args args, bool fromRight) {
    TextResult text = arguments::text(args, 0);
    if (!text.ok()) return errorOf(text);
    NumberResult count = arguments::integer(args, 1, context.uses1904Dates(), 1);
    if (!count.ok()) return errorOf(count);
    if (count.number < 0) return Value::error(ErrorValue::Value);
    std::u16string units = toUtf16(text.text);
    auto n = int64_t(count.number);
    int64_t from = fromRight ? std::max<int64_t>(0, int64_t(units.size()) - n) : 0;
    return Value::text(fromUtf16(clip(units, from, n)));
}

Value left(CalcContext& context, Args args) { return leftOrRight(context, args, false); }
Value right(CalcContext& context, Args args) { return leftOrRight(context, args, true); }

// MID and REPLACE: a text and a part of it, from a 1-based start (at least 1) for a count (at
// least 0), in code units.
struct TextSpan {
    std::u16string units;
    int64_t from = 0;
    int64_t count = 0;
};

std::optional<Value> readSpan(CalcContext& context, Args args, TextSpan& out) {
    TextResult text = arguments::text(args, 0);
    if (!text.ok()) return errorOf(text);
    NumberResult start = arguments::integer(args, 1, context.uses1904Dates());
    if (!start.ok()) return errorOf(start);
    NumberResult count = arguments::integer(args, 2, context.uses1904Dates());
    if (!count.ok()) return errorOf(count);
    if (start.number < 1 || count.number < 0) return Value::error(ErrorValue::Value);
    out.units = toUtf16(text.text);
    out.from = int64_t(start.number) - 1;
    out.count = int64_t(count.number);
    return std::nullopt;
}

Value mid(CalcContext& context, Args args) {
    TextSpan span;
    if (auto failure = readSpan(context, args, span)) return *failure;
    return Value::text(fromUtf16(clip(span.units, span.from, span.count)));
}

Value len(CalcContext&, Args args) {
    TextResult text = arguments::text(args, 0);
    if (!text.ok()) return errorOf(text);
    return Value::number(double(base::utf16Length(text.text)));
}

// FIND and SEARCH: the text to find, the text to look in and the 1-based start, read and checked.
struct FindArguments {
    std::string needle;
    std::u16string haystack;
    int64_t start = 1;
};

std::optional<Value> readFindArguments(CalcContext& context, Args args, FindArguments& out) {
    TextResult needle = arguments::text(args, 0);
    if (!needle.ok()) return errorOf(needle);
    TextResult haystack = arguments::text(args, 1);
    if (!haystack.ok()) return errorOf(haystack);
    NumberResult start = arguments::integer(args, 2, context.uses1904Dates(), 1);
    if (!start.ok()) return errorOf(start);
    out.needle = std::move(needle.text);
    out.haystack = toUtf16(haystack.text);
    out.start = int64_t(start.number);
    if (out.start < 1 || out.start > int64_t(out.haystack.size()) + 1) return Value::error(ErrorValue::Value);
    return std::nullopt;
}

Value find(CalcContext& context, Args args) {
    FindArguments a;
    if (auto failure = readFindArguments(context, args, a)) return *failure;
    size_t at = a.haystack.find(toUtf16(a.needle), size_t(a.start - 1));
    if (at == std::u16string::npos) return Value::error(ErrorValue::Value);
    return Value::number(double(at + 1));
}

// The pattern matched against the start of a text: a trailing "*" lets it end anywhere. A lone "~"
// at the end means itself, so it is doubled first lest it escape the added star.
std::string prefixPattern(std::string_view pattern) {
    std::string out;
    for (size_t i = 0; i < pattern.size(); ++i) {
        out += pattern[i];
        if (pattern[i] != '~') continue;
        if (i + 1 < pattern.size())
            out += pattern[++i];
        else
            out += '~';
    }
    return out + "*";
}

Value search(CalcContext& context, Args args) {
    FindArguments a;
    if (auto failure = readFindArguments(context, args, a)) return *failure;
    if (a.needle.empty()) return Value::number(double(a.start));
    TextPattern pattern(prefixPattern(a.needle), TextPattern::Extent::WholeText);
    std::string haystack = fromUtf16(a.haystack);
    int64_t position = 0;  // in code units
    for (size_t at = 0; at < haystack.size();) {
        if (position + 1 >= a.start && pattern.matches(std::string_view(haystack).substr(at)))
            return Value::number(double(position + 1));
        char32_t c = base::nextCodePoint(haystack, at);
        position += c >= 0x10000 ? 2 : 1;
    }
    return Value::error(ErrorValue::Value);
}

Value substitute(CalcContext& context, Args args) {
    TextResult text = arguments::text(args, 0);
    if (!text.ok()) return errorOf(text);
    TextResult old = arguments::text(args, 1);
    if (!old.ok()) return errorOf(old);
    TextResult replacement = arguments::text(args, 2);
    if (!replacement.ok()) return errorOf(replacement);
    std::optional<int64_t> instance;
    if (!arguments::isAbsent(args, 3)) {
        NumberResult n = arguments::integer(args, 3, context.uses1904Dates());
        if (!n.ok()) return errorOf(n);
        if (n.number < 1) return Value::error(ErrorValue::Value);
        instance = int64_t(n.number);
    }
    if (old.text.empty()) return Value::text(std::move(text.text));
    // Well-formed UTF-8 matches only at character boundaries, so bytes can be searched directly.
    std::string result;
    int64_t seen = 0;
    size_t from = 0;
    for (size_t at; (at = text.text.find(old.text, from)) != std::string::npos;) {
        ++seen;
        result.append(text.text, from, at - from);
        result += (!instance || seen == *instance) ? replacement.text : old.text;
        from = at + old.text.size();
        if (instance && seen == *instance) break;
    }
    result.append(text.text, from);
    return textValue(std::move(result));
}

Value replace(CalcContext& context, Args args) {
    TextSpan span;
    if (auto failure = readSpan(context, args, span)) return *failure;
    TextResult replacement = arguments::text(args, 3);
    if (!replacement.ok()) return errorOf(replacement);
    auto from = std::min<int64_t>(span.from, int64_t(span.units.size()));
    auto cut = std::min<int64_t>(span.count, int64_t(span.units.size()) - from);
    span.units.replace(size_t(from), size_t(cut), toUtf16(replacement.text));
    return textValue(fromUtf16(span.units));
}

template <typename Map>
Value mapCodePoints(Args args, Map map) {
    TextResult text = arguments::text(args, 0);
    if (!text.ok()) return errorOf(text);
    std::string out;
    out.reserve(text.text.size());
    bool afterLetter = false;
    for (size_t at = 0; at < text.text.size();) {
        char32_t c = base::nextCodePoint(text.text, at);
        base::appendUtf8(out, map(c, afterLetter));
        afterLetter = base::isLetter(c);
    }
    return Value::text(std::move(out));
}

Value upper(CalcContext&, Args args) {
    TextResult text = arguments::text(args, 0);
    if (!text.ok()) return errorOf(text);
    return Value::text(com::upperCase(text.text));
}

Value lower(CalcContext&, Args args) {
    return mapCodePoints(args, [](char32_t c, bool) { return base::simpleLowerCase(c); });
}

// The first letter of every run of letters in title case, the others in lower case; digits and
// apostrophes end a run, so "2nd" gives "2Nd" and "don't" gives "Don'T", as in the application.
Value proper(CalcContext&, Args args) {
    return mapCodePoints(args, [](char32_t c, bool afterLetter) {
        return afterLetter ? base::simpleLowerCase(c) : base::simpleTitleCase(c);
    });
}

// Blanks (U+0020 only) at either end go, runs of them inside become one.
Value trim(CalcContext&, Args args) {
    TextResult text = arguments::text(args, 0);
    if (!text.ok()) return errorOf(text);
    std::string out;
    for (char c : text.text) {
        if (c == ' ' && (out.empty() || out.back() == ' ')) continue;
        out += c;
    }
    if (!out.empty() && out.back() == ' ') out.pop_back();
    return Value::text(std::move(out));
}

// The control characters of 7-bit ASCII (0 to 31) go.
Value clean(CalcContext&, Args args) {
    TextResult text = arguments::text(args, 0);
    if (!text.ok()) return errorOf(text);
    std::string out;
    for (char c : text.text)
        if (static_cast<unsigned char>(c) >= 32) out += c;
    return Value::text(std::move(out));
}

// A value formatted as the application's TEXT takes it: a text that reads as a number is that
// number; other text goes through the format's text section.
Value textFunction(CalcContext& context, Args args) {
    const Value& value = args[0];
    if (value.isError()) return value;
    TextResult format = arguments::text(args, 1);
    if (!format.ok()) return errorOf(format);
    bool date1904 = context.uses1904Dates();
    com::Variant variant;
    if (value.isText()) {
        std::optional<double> n = numberFromText(value.asText(), date1904);
        variant = n ? com::Variant(*n) : com::Variant(value.asText());
    } else if (value.isBoolean()) {
        variant = com::Variant(value.asBoolean());
    } else {
        NumberResult n = toNumber(value, date1904);
        if (!n.ok()) return errorOf(n);
        variant = com::Variant(n.number);
    }
    return textValue(displayText(variant, format.text, date1904));
}

Value valueFunction(CalcContext& context, Args args) {
    const Value& v = args[0];
    if (v.isError()) return v;
    if (v.isNumber()) return v;
    if (v.isBlank() || v.isMissing()) return Value::number(0);
    if (!v.isText()) return Value::error(ErrorValue::Value);
    std::optional<double> n = numberFromText(v.asText(), context.uses1904Dates());
    return n ? Value::number(*n) : Value::error(ErrorValue::Value);
}

double roundHalfAwayFromZero(double x, int digits) {
    double scale = std::pow(10.0, std::abs(digits));
    double r = 0;
    if (digits >= 0) {
        // Scaling past the double's range: the number has no digits there to round.
        if (!std::isfinite(x * scale)) return x;
        r = std::round(roundToSignificant15(x * scale)) / scale;
    } else {
        r = std::isfinite(scale) ? std::round(roundToSignificant15(x / scale)) * scale : 0;
    }
    return r == 0 ? 0 : r;  // no "-0"
}

std::string decimalsFormat(int decimals, bool separators) {
    std::string code = separators ? "#,##0" : "0";
    if (decimals > 0) code += "." + std::string(size_t(decimals), '0');
    return code;
}

// FIXED and DOLLAR: the number rounded to `decimals` (to the left of the point when negative);
// more than 127 decimals is #VALUE!.
struct RoundedNumber {
    double value = 0;
    int decimals = 0;
};
std::optional<Value> readRounded(CalcContext& context, Args args, RoundedNumber& out) {
    NumberResult n = arguments::number(args, 0, context.uses1904Dates());
    if (!n.ok()) return errorOf(n);
    NumberResult decimals = arguments::integer(args, 1, context.uses1904Dates(), 2);
    if (!decimals.ok()) return errorOf(decimals);
    if (decimals.number > 127) return Value::error(ErrorValue::Value);
    out.decimals = int(std::max(decimals.number, -308.0));
    out.value = roundHalfAwayFromZero(n.number, out.decimals);
    return std::nullopt;
}

Value fixed(CalcContext& context, Args args) {
    RoundedNumber r;
    if (auto failure = readRounded(context, args, r)) return *failure;
    BooleanResult noCommas = arguments::flag(args, 2, false);
    if (!noCommas.ok()) return errorOf(noCommas);
    std::string code = decimalsFormat(std::max(r.decimals, 0), !noCommas.boolean);
    return textValue(displayText(com::Variant(r.value), code));
}

// The application's currency format of en-US: negatives in parentheses.
Value dollar(CalcContext& context, Args args) {
    RoundedNumber r;
    if (auto failure = readRounded(context, args, r)) return *failure;
    std::string code = "$" + decimalsFormat(std::max(r.decimals, 0), true);
    return textValue(displayText(com::Variant(r.value), code + ";(" + code + ")"));
}

// Every argument's values in order, cells of a range row by row; blank cells give nothing.
Value concat(CalcContext& context, Args args) {
    std::string out;
    std::optional<ErrorValue> error;
    for (const Value& argument : args) {
        arguments::forEachValue(context, argument, [&](const Value& v, arguments::Source) {
            if (error) return;
            TextResult t = toText(v);
            if (!t.ok()) error = t.error;
            else if (out.size() <= 4 * kMaxTextLength) out += t.text;  // longer is #VALUE! anyway
        });
        if (error) return Value::error(*error);
    }
    return textValue(std::move(out));
}

Value concatenate(CalcContext&, Args args) {
    std::string out;
    for (size_t i = 0; i < args.size(); ++i) {
        TextResult t = arguments::text(args, i);
        if (!t.ok()) return errorOf(t);
        out += t.text;
        if (out.size() > 4 * kMaxTextLength) return Value::error(ErrorValue::Value);
    }
    return textValue(std::move(out));
}

// The texts of a TEXTJOIN argument, blank cells included as "" where they count.
class JoinedText {
public:
    JoinedText(std::vector<std::string> delimiters, bool ignoreEmpty)
        : delimiters_(std::move(delimiters)), ignoreEmpty_(ignoreEmpty) {}

    void add(const Value& v) {
        if (error_) return;
        TextResult t = toText(v);
        if (!t.ok()) {
            error_ = t.error;
            return;
        }
        addText(t.text);
    }
    void addText(std::string_view text) {
        if (ignoreEmpty_ && text.empty()) return;
        if (entries_++ > 0) out_ += delimiters_[size_t(entries_ - 2) % delimiters_.size()];
        out_ += text;
        if (out_.size() > 4 * kMaxTextLength) error_ = ErrorValue::Value;
    }
    bool failed() const { return error_.has_value(); }
    Value result() { return error_ ? Value::error(*error_) : textValue(std::move(out_)); }

private:
    std::vector<std::string> delimiters_;
    bool ignoreEmpty_;
    std::string out_;
    int64_t entries_ = 0;
    std::optional<ErrorValue> error_;
};

// Every cell of the area in order, blank ones too. Only reached where blank cells count (empty
// texts kept), so the joined text grows by a delimiter per cell and a huge area fails soon.
void joinArea(CalcContext& context, const SheetArea& area, JoinedText& joined) {
    for (int32_t row = area.area.firstRow; row <= area.area.lastRow && !joined.failed(); ++row)
        for (int32_t column = area.area.firstColumn; column <= area.area.lastColumn && !joined.failed(); ++column)
            joined.add(context.cellValue(area.sheet, row, column));
}

Value textjoin(CalcContext& context, Args args) {
    std::vector<std::string> delimiters;
    std::optional<ErrorValue> error;
    arguments::forEachValue(context, args[0], [&](const Value& v, arguments::Source) {
        TextResult t = toText(v);
        if (!t.ok() && !error) error = t.error;
        delimiters.push_back(std::move(t.text));
    });
    if (error) return Value::error(*error);
    if (delimiters.empty()) delimiters.emplace_back();
    BooleanResult ignoreEmpty = toBoolean(args[1]);
    if (!ignoreEmpty.ok()) return errorOf(ignoreEmpty);
    bool allEmpty = std::all_of(delimiters.begin(), delimiters.end(), [](const auto& d) { return d.empty(); });
    JoinedText joined(std::move(delimiters), ignoreEmpty.boolean);
    for (size_t i = 2; i < args.size() && !joined.failed(); ++i) {
        const Value& argument = args[i];
        // Blank cells add only delimiters: with none to add or empties ignored they can be skipped.
        if (argument.isReference() && !ignoreEmpty.boolean && !allEmpty) {
            for (const SheetArea& area : argument.asReferences()) joinArea(context, area, joined);
        } else {
            arguments::forEachValue(context, argument, [&](const Value& v, arguments::Source) { joined.add(v); });
        }
    }
    return joined.result();
}

Value rept(CalcContext& context, Args args) {
    TextResult text = arguments::text(args, 0);
    if (!text.ok()) return errorOf(text);
    NumberResult times = arguments::integer(args, 1, context.uses1904Dates());
    if (!times.ok()) return errorOf(times);
    if (times.number < 0) return Value::error(ErrorValue::Value);
    if (text.text.empty() || times.number == 0) return Value::text("");
    if (double(base::utf16Length(text.text)) * times.number > double(kMaxTextLength))
        return Value::error(ErrorValue::Value);
    std::string out;
    for (int64_t i = 0; i < int64_t(times.number); ++i) out += text.text;
    return Value::text(std::move(out));
}

Value exact(CalcContext&, Args args) {
    TextResult a = arguments::text(args, 0);
    if (!a.ok()) return errorOf(a);
    TextResult b = arguments::text(args, 1);
    if (!b.ok()) return errorOf(b);
    return Value::boolean(a.text == b.text);
}

// Windows-1252, the application's code page for CHAR and CODE with an en-US setup: 0x80 to 0x9F
// hold typographic characters; the five unassigned positions stand for the C1 controls.
constexpr std::array<char16_t, 32> kWindows1252High{
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char32_t fromWindows1252(unsigned byte) {
    return byte >= 0x80 && byte <= 0x9F ? kWindows1252High[byte - 0x80] : char32_t(byte);
}

// A character outside the code page reads as "?" (63), as the application converts it.
unsigned toWindows1252(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return unsigned(c);
    for (unsigned i = 0; i < kWindows1252High.size(); ++i)
        if (kWindows1252High[i] == c) return 0x80 + i;
    return '?';
}

// CHAR and UNICHAR: the code, truncated, checked against [1, limit].
std::optional<Value> readCode(CalcContext& context, Args args, double limit, char32_t& out) {
    NumberResult n = arguments::integer(args, 0, context.uses1904Dates());
    if (!n.ok()) return errorOf(n);
    if (n.number < 1 || n.number > limit) return Value::error(ErrorValue::Value);
    out = char32_t(n.number);
    return std::nullopt;
}

Value charFunction(CalcContext& context, Args args) {
    char32_t code = 0;
    if (auto failure = readCode(context, args, 255, code)) return *failure;
    std::string out;
    base::appendUtf8(out, fromWindows1252(unsigned(code)));
    return Value::text(std::move(out));
}

Value unichar(CalcContext& context, Args args) {
    char32_t code = 0;
    if (auto failure = readCode(context, args, 0x10FFFF, code)) return *failure;
    if (code >= 0xD800 && code <= 0xDFFF) return Value::error(ErrorValue::NA);
    std::string out;
    base::appendUtf8(out, code);
    return Value::text(std::move(out));
}

std::optional<Value> readFirstCharacter(Args args, char32_t& out) {
    TextResult text = arguments::text(args, 0);
    if (!text.ok()) return errorOf(text);
    if (text.text.empty()) return Value::error(ErrorValue::Value);
    size_t at = 0;
    out = base::nextCodePoint(text.text, at);
    return std::nullopt;
}

Value code(CalcContext&, Args args) {
    char32_t c = 0;
    if (auto failure = readFirstCharacter(args, c)) return *failure;
    return Value::number(double(toWindows1252(c)));
}

Value unicode(CalcContext&, Args args) {
    char32_t c = 0;
    if (auto failure = readFirstCharacter(args, c)) return *failure;
    return Value::number(double(c));
}

Value tFunction(CalcContext&, Args args) {
    const Value& v = args[0];
    if (v.isError() || v.isText()) return v;
    return Value::text("");
}

Value nFunction(CalcContext&, Args args) {
    const Value& v = args[0];
    if (v.isError() || v.isNumber()) return v;
    if (v.isBoolean()) return Value::number(v.asBoolean() ? 1 : 0);
    return Value::number(0);
}

constexpr uint32_t kAllButSecond = kAllArgumentsByReference & ~2u;

constexpr std::array kTextFunctions{
    FunctionDefinition{"LEFT", 1, 2, 0, left},
    FunctionDefinition{"RIGHT", 1, 2, 0, right},
    FunctionDefinition{"MID", 3, 3, 0, mid},
    FunctionDefinition{"LEN", 1, 1, 0, len},
    FunctionDefinition{"FIND", 2, 3, 0, find},
    FunctionDefinition{"SEARCH", 2, 3, 0, search},
    FunctionDefinition{"SUBSTITUTE", 3, 4, 0, substitute},
    FunctionDefinition{"REPLACE", 4, 4, 0, replace},
    FunctionDefinition{"UPPER", 1, 1, 0, upper},
    FunctionDefinition{"LOWER", 1, 1, 0, lower},
    FunctionDefinition{"PROPER", 1, 1, 0, proper},
    FunctionDefinition{"TRIM", 1, 1, 0, trim},
    FunctionDefinition{"CLEAN", 1, 1, 0, clean},
    FunctionDefinition{"TEXT", 2, 2, 0, textFunction},
    FunctionDefinition{"VALUE", 1, 1, 0, valueFunction},
    FunctionDefinition{"FIXED", 1, 3, 0, fixed},
    FunctionDefinition{"DOLLAR", 1, 2, 0, dollar},
    FunctionDefinition{"CONCAT", 1, kManyArguments, kAllArgumentsByReference, concat},
    FunctionDefinition{"CONCATENATE", 1, kManyArguments, 0, concatenate},
    FunctionDefinition{"TEXTJOIN", 3, kManyArguments, kAllButSecond, textjoin},
    FunctionDefinition{"REPT", 2, 2, 0, rept},
    FunctionDefinition{"EXACT", 2, 2, 0, exact},
    FunctionDefinition{"CHAR", 1, 1, 0, charFunction},
    FunctionDefinition{"CODE", 1, 1, 0, code},
    FunctionDefinition{"UNICHAR", 1, 1, 0, unichar},
    FunctionDefinition{"UNICODE", 1, 1, 0, unicode},
    FunctionDefinition{"T", 1, 1, 0, tFunction},
    FunctionDefinition{"N", 1, 1, 0, nFunction},
};

}  // namespace

std::span<const FunctionDefinition> textFunctions() { return kTextFunctions; }

}  // namespace tavlora::host::formula
