#include "host/format/NumberFormat.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "base/Ascii.h"
#include "base/Utf8.h"
#include "com/Conversions.h"
#include "host/cells/CellError.h"
#include "host/cells/DateSerial.h"

namespace tavlora::host {

namespace {

// ---------------------------------------------------------------------------------------------
// Tokens and sections

enum class TokenKind : uint8_t {
    Literal,
    Digit,      // '0', '#', '?'
    Point,      // decimal point
    Comma,      // thousands separator or scaling, decided per section
    Percent,
    Exponent,   // "E+" / "E-" (ch = sign, text = the letters as written)
    Slash,
    Text,       // '@'
    General,
    DatePart,   // y, m, d, h, s runs (ch = lower-case letter, count = run length)
    Elapsed,    // [h], [mm], [ss]
    AmPm,       // "AM/PM" (count 2) or "A/P" (count 1); text keeps the letter case
    SubSecond,  // ".0", ".00", ".000" after seconds
};

// Where a digit placeholder sits in a number or fraction section.
enum class DigitPart : uint8_t { None, Integer, Fraction, Exponent, Whole, Numerator, Denominator };

struct Token {
    TokenKind kind = TokenKind::Literal;
    char ch = 0;
    int count = 1;
    bool minute = false;  // DatePart 'm' that means minutes
    DigitPart part = DigitPart::None;
    std::string text;     // output of a literal; the source text of any other token
};

enum class SectionKind : uint8_t { Empty, Number, Fraction, General, Date, Text };

struct Condition {
    bool present = false;
    std::string op;
    double value = 0;

    bool matches(double v) const {
        if (op == "<") return v < value;
        if (op == "<=") return v <= value;
        if (op == ">") return v > value;
        if (op == ">=") return v >= value;
        if (op == "<>") return v != value;
        return v == value;
    }
};

struct Section {
    SectionKind kind = SectionKind::Empty;
    std::vector<Token> tokens;
    Condition condition;
    bool hasText = false;  // contains '@'
    // Number sections.
    int integerDigits = 0;
    int fractionDigits = 0;
    bool thousands = false;
    int scaleThousands = 0;  // trailing commas: each divides by 1,000
    int percents = 0;
    bool exponent = false;
    // Fraction sections.
    int fixedDenominator = 0;  // 0 = chosen to fit the denominator placeholders
    int denominatorDigits = 0;
    bool fractionHasWhole = false;
    // Date sections.
    int subsecondDigits = 0;
};

// The bytes of the character at s[at], one U+FFFD for an ill-formed part.
size_t characterLength(std::string_view s, size_t at) { return base::decodeUtf8At(s, at).length; }

Token literal(std::string text) {
    Token t;
    t.kind = TokenKind::Literal;
    t.text = std::move(text);
    return t;
}

Token token(TokenKind kind, std::string source, char ch = 0, int count = 1) {
    Token t;
    t.kind = kind;
    t.ch = ch;
    t.count = count;
    t.text = std::move(source);
    return t;
}

// The contents of a "[...]" block: a condition, elapsed time, a currency or locale tag, or a
// colour / other tag that does not change the text.
void parseBracket(std::string_view content, Section& section) {
    if (content.empty()) return;
    char first = content.front();
    if (first == '<' || first == '>' || first == '=') {
        size_t opLength = 1;
        if (content.size() > 1 && (content[1] == '=' || (first == '<' && content[1] == '>'))) opLength = 2;
        std::string_view number = content.substr(opLength);
        while (!number.empty() && number.front() == ' ') number.remove_prefix(1);
        double value = 0;
        auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), value);
        if (ec == std::errc() && end == number.data() + number.size()) {
            section.condition.present = true;
            section.condition.op = std::string(content.substr(0, opLength));
            section.condition.value = value;
        }
        return;
    }
    if (first == '$') {
        std::string_view symbol = content.substr(1);
        symbol = symbol.substr(0, symbol.find('-'));
        if (!symbol.empty()) section.tokens.push_back(literal(std::string(symbol)));
        return;
    }
    char letter = base::asciiLower(first);
    if (letter == 'h' || letter == 'm' || letter == 's') {
        bool sameLetter = std::all_of(content.begin(), content.end(), [&](char c) { return base::asciiLower(c) == letter; });
        if (sameLetter) {
            section.tokens.push_back(
                token(TokenKind::Elapsed, "[" + std::string(content) + "]", letter, static_cast<int>(content.size())));
            return;
        }
    }
    // Colours ([Red], [Color10]), calendar and numeral-system tags: nothing to show.
}

// Splits a format code into sections and tokens in one pass.
std::vector<Section> tokenize(std::string_view code) {
    std::vector<Section> sections(1);
    size_t i = 0;
    while (i < code.size()) {
        Section& section = sections.back();
        auto& tokens = section.tokens;
        char c = code[i];
        switch (c) {
        case ';':
            sections.emplace_back();
            ++i;
            continue;
        case '"': {
            size_t close = code.find('"', i + 1);
            if (close == std::string_view::npos) close = code.size();
            tokens.push_back(literal(std::string(code.substr(i + 1, close - i - 1))));
            i = close + 1;
            continue;
        }
        case '\\':
        case '_':
        case '*': {
            if (i + 1 >= code.size()) {
                ++i;
                continue;
            }
            size_t n = characterLength(code, i + 1);
            // "_x" leaves the room of x: one blank. "*x" repeats x to fill the column: with no
            // column to fill, it adds nothing.
            if (c == '\\') tokens.push_back(literal(base::toValidUtf8(code.substr(i + 1, n))));
            if (c == '_') tokens.push_back(literal(" "));
            i += 1 + n;
            continue;
        }
        case '[': {
            size_t close = code.find(']', i + 1);
            if (close == std::string_view::npos) {
                tokens.push_back(literal("["));
                ++i;
                continue;
            }
            parseBracket(code.substr(i + 1, close - i - 1), section);
            i = close + 1;
            continue;
        }
        case '0':
        case '#':
        case '?':
            tokens.push_back(token(TokenKind::Digit, std::string(1, c), c));
            ++i;
            continue;
        case '.':
            tokens.push_back(token(TokenKind::Point, "."));
            ++i;
            continue;
        case ',':
            tokens.push_back(token(TokenKind::Comma, ","));
            ++i;
            continue;
        case '%':
            tokens.push_back(token(TokenKind::Percent, "%"));
            ++i;
            continue;
        case '/':
            tokens.push_back(token(TokenKind::Slash, "/"));
            ++i;
            continue;
        case '@':
            tokens.push_back(token(TokenKind::Text, "@"));
            section.hasText = true;
            ++i;
            continue;
        default:
            break;
        }
        if ((c == 'E' || c == 'e') && i + 1 < code.size() && (code[i + 1] == '+' || code[i + 1] == '-')) {
            tokens.push_back(token(TokenKind::Exponent, std::string(code.substr(i, 2)), code[i + 1]));
            i += 2;
            continue;
        }
        if (base::startsWithIgnoringAsciiCase(code.substr(i), "general")) {
            tokens.push_back(token(TokenKind::General, std::string(code.substr(i, 7))));
            i += 7;
            continue;
        }
        if (base::startsWithIgnoringAsciiCase(code.substr(i), "am/pm")) {
            tokens.push_back(token(TokenKind::AmPm, std::string(code.substr(i, 5)), 0, 2));
            i += 5;
            continue;
        }
        if (base::startsWithIgnoringAsciiCase(code.substr(i), "a/p")) {
            tokens.push_back(token(TokenKind::AmPm, std::string(code.substr(i, 3)), 0, 1));
            i += 3;
            continue;
        }
        char letter = base::asciiLower(c);
        if (letter == 'y' || letter == 'm' || letter == 'd' || letter == 'h' || letter == 's') {
            size_t end = i;
            while (end < code.size() && base::asciiLower(code[end]) == letter) ++end;
            tokens.push_back(token(TokenKind::DatePart, std::string(code.substr(i, end - i)), letter,
                                   static_cast<int>(end - i)));
            i = end;
            continue;
        }
        size_t n = characterLength(code, i);
        tokens.push_back(literal(base::toValidUtf8(code.substr(i, n))));
        i += n;
    }
    return sections;
}

// ---------------------------------------------------------------------------------------------
// Section analysis

bool isDateToken(const Token& t) {
    return t.kind == TokenKind::DatePart || t.kind == TokenKind::Elapsed || t.kind == TokenKind::AmPm;
}

void makeLiteral(Token& t) {
    t.kind = TokenKind::Literal;
    t.part = DigitPart::None;
}

// "m" means minutes right after an hour or right before seconds (literals in between allowed).
void resolveMinutes(Section& section) {
    auto& tokens = section.tokens;
    for (size_t k = 0; k < tokens.size(); ++k) {
        Token& t = tokens[k];
        if (t.kind != TokenKind::DatePart || t.ch != 'm' || t.count > 2) continue;
        for (size_t p = k; p-- > 0;) {
            if (!isDateToken(tokens[p])) continue;
            t.minute = tokens[p].ch == 'h';
            break;
        }
        if (t.minute) continue;
        for (size_t n = k + 1; n < tokens.size(); ++n) {
            if (!isDateToken(tokens[n])) continue;
            t.minute = tokens[n].ch == 's';
            break;
        }
    }
}

void analyzeDate(Section& section) {
    section.kind = SectionKind::Date;
    resolveMinutes(section);
    auto& tokens = section.tokens;
    std::vector<Token> result;
    for (size_t k = 0; k < tokens.size(); ++k) {
        Token t = tokens[k];
        if (t.kind == TokenKind::Point && k + 1 < tokens.size() && tokens[k + 1].kind == TokenKind::Digit &&
            tokens[k + 1].ch == '0') {
            int zeros = 0;
            while (k + 1 < tokens.size() && tokens[k + 1].kind == TokenKind::Digit && tokens[k + 1].ch == '0') {
                ++zeros;
                ++k;
            }
            zeros = std::min(zeros, 3);
            section.subsecondDigits = std::max(section.subsecondDigits, zeros);
            result.push_back(token(TokenKind::SubSecond, ".", 0, zeros));
            continue;
        }
        if (!isDateToken(t) && t.kind != TokenKind::Literal) makeLiteral(t);
        result.push_back(std::move(t));
    }
    tokens = std::move(result);
}

bool isLiteralDigit(const Token& t) {
    return t.kind == TokenKind::Literal && t.text.size() == 1 && t.text[0] >= '0' && t.text[0] <= '9';
}

// A fraction needs a digit placeholder right before the slash and a placeholder or a fixed
// denominator right after it.
bool looksLikeFraction(const Section& section, size_t& slash) {
    const auto& tokens = section.tokens;
    for (size_t k = 1; k + 1 < tokens.size(); ++k) {
        if (tokens[k].kind != TokenKind::Slash) continue;
        if (tokens[k - 1].kind != TokenKind::Digit) continue;
        const Token& next = tokens[k + 1];
        if (next.kind == TokenKind::Digit || (isLiteralDigit(next) && next.text[0] != '0')) {
            slash = k;
            return true;
        }
    }
    return false;
}

void analyzeFraction(Section& section, size_t slash) {
    section.kind = SectionKind::Fraction;
    auto& tokens = section.tokens;
    size_t numeratorStart = slash;
    while (numeratorStart > 0 && tokens[numeratorStart - 1].kind == TokenKind::Digit) --numeratorStart;
    for (size_t k = numeratorStart; k < slash; ++k) tokens[k].part = DigitPart::Numerator;
    for (size_t k = 0; k < numeratorStart; ++k) {
        if (tokens[k].kind == TokenKind::Digit) {
            tokens[k].part = DigitPart::Whole;
            section.fractionHasWhole = true;
        } else if (tokens[k].kind != TokenKind::Literal) {
            makeLiteral(tokens[k]);
        }
    }
    size_t k = slash + 1;
    if (isLiteralDigit(tokens[k])) {
        std::string digits;
        while (k < tokens.size() && (isLiteralDigit(tokens[k]) || (tokens[k].kind == TokenKind::Digit && tokens[k].ch == '0')) &&
               digits.size() < 7) {
            digits += tokens[k].text;
            tokens[k].kind = TokenKind::Literal;
            tokens[k].part = DigitPart::Denominator;
            ++k;
        }
        section.fixedDenominator = std::stoi(digits);
    } else {
        while (k < tokens.size() && tokens[k].kind == TokenKind::Digit) {
            tokens[k].part = DigitPart::Denominator;
            ++section.denominatorDigits;
            ++k;
        }
    }
    for (; k < tokens.size(); ++k)
        if (tokens[k].kind != TokenKind::Literal) makeLiteral(tokens[k]);
}

void analyzeNumber(Section& section) {
    section.kind = SectionKind::Number;
    auto& tokens = section.tokens;
    // Mark the part of each placeholder; the first point and the first exponent switch parts.
    DigitPart part = DigitPart::Integer;
    bool seenPoint = false;
    for (auto& t : tokens) {
        if (t.kind == TokenKind::Point && !seenPoint && part == DigitPart::Integer) {
            seenPoint = true;
            part = DigitPart::Fraction;
        } else if (t.kind == TokenKind::Point) {
            makeLiteral(t);
        } else if (t.kind == TokenKind::Exponent && !section.exponent) {
            section.exponent = true;
            part = DigitPart::Exponent;
        } else if (t.kind == TokenKind::Exponent) {
            makeLiteral(t);
        } else if (t.kind == TokenKind::Digit) {
            t.part = part;
            if (part == DigitPart::Integer) ++section.integerDigits;
            if (part == DigitPart::Fraction) ++section.fractionDigits;
        } else if (t.kind == TokenKind::Percent) {
            ++section.percents;
        } else if (t.kind == TokenKind::Slash || t.kind == TokenKind::DatePart) {
            makeLiteral(t);
        }
    }
    // Commas: between integer placeholders they group thousands; after the last placeholder of
    // the integer or fraction part each one divides by 1,000; anywhere else they are text.
    std::vector<Token> result;
    for (size_t k = 0; k < tokens.size(); ++k) {
        Token& t = tokens[k];
        if (t.kind != TokenKind::Comma) {
            result.push_back(std::move(t));
            continue;
        }
        DigitPart before = DigitPart::None;
        for (size_t p = k; p-- > 0;)
            if (tokens[p].kind == TokenKind::Digit) {
                before = tokens[p].part;
                break;
            }
        bool digitFollowsInPart = false;
        for (size_t n = k + 1; n < tokens.size(); ++n) {
            if (tokens[n].kind == TokenKind::Point || tokens[n].kind == TokenKind::Exponent) break;
            if (tokens[n].kind == TokenKind::Digit) {
                digitFollowsInPart = true;
                break;
            }
        }
        if (before == DigitPart::Integer && digitFollowsInPart) {
            section.thousands = true;
        } else if ((before == DigitPart::Integer || before == DigitPart::Fraction) && !digitFollowsInPart) {
            ++section.scaleThousands;
        } else {
            makeLiteral(t);
            result.push_back(std::move(t));
        }
    }
    tokens = std::move(result);
    // ".00" shows the integer digits too: give them a placeholder that shows nothing for zero.
    if (section.integerDigits == 0 && (seenPoint || section.fractionDigits > 0 || section.exponent)) {
        auto at = std::find_if(tokens.begin(), tokens.end(), [](const Token& t) {
            return t.kind == TokenKind::Point || t.kind == TokenKind::Exponent ||
                   (t.kind == TokenKind::Digit && t.part == DigitPart::Fraction);
        });
        Token hash = token(TokenKind::Digit, "#", '#');
        hash.part = DigitPart::Integer;
        tokens.insert(at, hash);
        section.integerDigits = 1;
    }
}

void analyze(Section& section) {
    const auto& tokens = section.tokens;
    if (tokens.empty()) {
        section.kind = SectionKind::Empty;
        return;
    }
    if (std::any_of(tokens.begin(), tokens.end(), isDateToken)) return analyzeDate(section);
    size_t slash = 0;
    if (looksLikeFraction(section, slash)) return analyzeFraction(section, slash);
    if (std::any_of(tokens.begin(), tokens.end(), [](const Token& t) { return t.kind == TokenKind::General; })) {
        section.kind = SectionKind::General;
        return;
    }
    if (section.hasText &&
        std::none_of(tokens.begin(), tokens.end(), [](const Token& t) { return t.kind == TokenKind::Digit; })) {
        section.kind = SectionKind::Text;
        return;
    }
    analyzeNumber(section);
}

// ---------------------------------------------------------------------------------------------
// Decimal digits

// A non-negative number as at most 15 significant decimal digits: value = 0.digits * 10^point.
// Display rounds to 15 digits first, as the application does, so 2.675 shows as 2.68.
struct Decimal {
    std::string digits;  // no leading or trailing zeros; empty for zero
    int point = 0;
};

Decimal toDecimal(double value) {
    Decimal d;
    if (!(value > 0)) return d;
    std::array<char, 64> buffer{};
    auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::scientific, 14);
    std::string_view text(buffer.data(), ec == std::errc() ? static_cast<size_t>(end - buffer.data()) : 0);
    size_t e = text.find('e');
    if (e == std::string_view::npos) return d;
    for (char c : text.substr(0, e))
        if (c != '.') d.digits += c;
    int exponent = 0;
    std::string_view expText = text.substr(e + 1);
    if (!expText.empty() && expText.front() == '+') expText.remove_prefix(1);
    std::from_chars(expText.data(), expText.data() + expText.size(), exponent);
    d.point = exponent + 1;
    while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back();
    return d;
}

// Rounds half away from zero to `decimals` places and splits into the integer digits (no
// leading zeros, "" for zero) and exactly `decimals` fraction digits.
void fixedDigits(Decimal d, int decimals, std::string& integer, std::string& fraction) {
    long keep = static_cast<long>(d.point) + decimals;
    if (keep < 0) {
        d.digits.clear();
    } else if (keep < static_cast<long>(d.digits.size())) {
        bool up = d.digits[static_cast<size_t>(keep)] >= '5';
        d.digits.resize(static_cast<size_t>(keep));
        if (up) {
            size_t k = d.digits.size();
            while (k > 0 && d.digits[k - 1] == '9') d.digits[--k] = '0';
            if (k == 0) {
                d.digits.insert(d.digits.begin(), '1');
                ++d.point;
            } else {
                ++d.digits[k - 1];
            }
        }
    }
    integer.clear();
    fraction.clear();
    if (d.digits.find_first_not_of('0') == std::string::npos) {
        fraction.assign(static_cast<size_t>(decimals), '0');
        return;
    }
    for (int k = 0; k < d.point; ++k)
        integer += k < static_cast<int>(d.digits.size()) ? d.digits[static_cast<size_t>(k)] : '0';
    for (int k = 0; k < decimals; ++k) {
        int index = d.point + k;
        fraction += (index >= 0 && index < static_cast<int>(d.digits.size())) ? d.digits[static_cast<size_t>(index)] : '0';
    }
}

// Fills placeholders right to left with `digits`; the leftmost takes any digits left over.
// '0' shows a zero where no digit is left, '?' a blank, '#' nothing.
std::vector<std::string> fillRightAligned(const std::vector<char>& placeholders, std::string_view digits) {
    std::vector<std::string> out(placeholders.size());
    long next = static_cast<long>(digits.size()) - 1;
    for (size_t k = placeholders.size(); k-- > 0;) {
        if (next >= 0) {
            out[k] = digits[static_cast<size_t>(next--)];
        } else if (placeholders[k] == '0') {
            out[k] = "0";
        } else if (placeholders[k] == '?') {
            out[k] = " ";
        }
        if (k == 0 && next >= 0) out[k].insert(0, digits.substr(0, static_cast<size_t>(next) + 1));
    }
    return out;
}

std::vector<char> placeholdersOf(const Section& section, DigitPart part) {
    std::vector<char> result;
    for (const auto& t : section.tokens)
        if (t.kind == TokenKind::Digit && t.part == part) result.push_back(t.ch);
    return result;
}

// Inserts "," between integer digits, counting only digits (not blanks from '?').
std::vector<std::string> groupThousands(std::vector<std::string> slots) {
    size_t remaining = 0;
    for (const auto& s : slots) remaining += static_cast<size_t>(std::count_if(s.begin(), s.end(), base::isAsciiDigit));
    for (auto& s : slots) {
        std::string grouped;
        for (char c : s) {
            grouped += c;
            if (c < '0' || c > '9') continue;
            --remaining;
            if (remaining > 0 && remaining % 3 == 0) grouped += ',';
        }
        s = std::move(grouped);
    }
    return slots;
}

std::string generalNumber(double value) { return com::formatGeneralNumber(value); }

// ---------------------------------------------------------------------------------------------
// Rendering numbers

std::string renderNumber(const Section& section, double value) {
    for (int k = 0; k < section.percents; ++k) value *= 100;
    for (int k = 0; k < section.scaleThousands; ++k) value /= 1000;
    Decimal decimal = toDecimal(value);
    std::string integer;
    std::string fraction;
    int exponent = 0;
    if (section.exponent) {
        int step = std::max(section.integerDigits, 1);
        if (!decimal.digits.empty()) {
            int magnitude = decimal.point - 1;
            exponent = (magnitude >= 0 ? magnitude / step : -((-magnitude + step - 1) / step)) * step;
        }
        Decimal mantissa = decimal;
        mantissa.point -= exponent;
        fixedDigits(mantissa, section.fractionDigits, integer, fraction);
        if (static_cast<int>(integer.size()) > step) {  // 9.99 rounded up to 10.0
            exponent += step;
            mantissa.point -= step;
            fixedDigits(mantissa, section.fractionDigits, integer, fraction);
        }
    } else {
        fixedDigits(decimal, section.fractionDigits, integer, fraction);
    }

    auto integerSlots = fillRightAligned(placeholdersOf(section, DigitPart::Integer), integer);
    if (section.thousands) integerSlots = groupThousands(std::move(integerSlots));
    size_t significant = fraction.find_last_not_of('0');
    significant = significant == std::string::npos ? 0 : significant + 1;
    std::string exponentDigits = std::to_string(std::abs(exponent));
    auto exponentSlots = fillRightAligned(placeholdersOf(section, DigitPart::Exponent), exponentDigits);

    std::string out;
    size_t integerIndex = 0;
    size_t fractionIndex = 0;
    size_t exponentIndex = 0;
    for (const auto& t : section.tokens) {
        switch (t.kind) {
        case TokenKind::Digit:
            if (t.part == DigitPart::Integer) {
                out += integerSlots[integerIndex++];
            } else if (t.part == DigitPart::Fraction) {
                if (fractionIndex < significant) out += fraction[fractionIndex];
                else if (t.ch == '0') out += '0';
                else if (t.ch == '?') out += ' ';
                ++fractionIndex;
            } else if (t.part == DigitPart::Exponent) {
                out += exponentSlots[exponentIndex++];
            }
            break;
        case TokenKind::Point: out += '.'; break;
        case TokenKind::Percent: out += '%'; break;
        case TokenKind::Exponent:
            out += t.text[0];
            if (exponent < 0) out += '-';
            else if (t.ch == '+') out += '+';
            break;
        case TokenKind::Literal: out += t.text; break;
        default: break;
        }
    }
    return out;
}

// The fraction closest to `value` (0 <= value) whose denominator is at most `maxDenominator`,
// from the continued fraction's convergents and best semiconvergent.
void bestFraction(double value, int64_t maxDenominator, int64_t& numerator, int64_t& denominator) {
    int64_t whole = static_cast<int64_t>(std::floor(value));
    double rest = value - static_cast<double>(whole);
    int64_t p0 = 0, q0 = 1, p1 = 1, q1 = 0;  // convergents of rest
    double x = rest;
    for (int iteration = 0; iteration < 64; ++iteration) {
        double a = std::floor(x);
        int64_t ai = static_cast<int64_t>(a);
        if (q1 != 0 && ai > (maxDenominator - q0) / q1) {
            // Best semiconvergent within the bound.
            int64_t t = (maxDenominator - q0) / q1;
            int64_t ps = p0 + t * p1, qs = q0 + t * q1;
            if (qs > 0 && std::abs(static_cast<double>(ps) / static_cast<double>(qs) - rest) <
                              std::abs(static_cast<double>(p1) / static_cast<double>(q1) - rest)) {
                p1 = ps;
                q1 = qs;
            }
            break;
        }
        int64_t p2 = ai * p1 + p0, q2 = ai * q1 + q0;
        p0 = p1;
        q0 = q1;
        p1 = p2;
        q1 = q2;
        double frac = x - a;
        if (frac < 1e-12 || q1 >= maxDenominator) break;
        x = 1 / frac;
    }
    if (q1 == 0) {
        p1 = 0;
        q1 = 1;
    }
    numerator = whole * q1 + p1;
    denominator = q1;
}

struct FractionParts {
    std::string whole;  // "" when the whole part shows nothing
    std::string numerator;
    std::string denominator;
    bool hideFraction = false;  // a whole number: the fraction's room stays blank
};

FractionParts fractionParts(const Section& section, double value) {
    int64_t maxDenominator = section.fixedDenominator;
    if (maxDenominator == 0) {
        maxDenominator = 1;
        for (int k = 0; k < std::min(section.denominatorDigits, 7); ++k) maxDenominator *= 10;
        maxDenominator = std::max<int64_t>(maxDenominator - 1, 1);
    }
    // Beyond exact integers (or where the numerator would not fit) there is no fraction to show.
    if (value >= 1e15 || (!section.fractionHasWhole && value * static_cast<double>(maxDenominator) >= 9e18)) {
        std::string integer;
        std::string none;
        fixedDigits(toDecimal(value), 0, integer, none);
        if (integer.empty()) integer = "0";
        if (section.fractionHasWhole) return {integer, "0", "1", true};
        return {"", integer, "1", false};
    }
    int64_t whole = 0;
    double rest = value;
    if (section.fractionHasWhole) {
        whole = static_cast<int64_t>(std::floor(value));
        rest = value - static_cast<double>(whole);
    }
    int64_t numerator = 0;
    int64_t denominator = 1;
    if (section.fixedDenominator > 0) {
        denominator = section.fixedDenominator;
        numerator = std::llround(rest * static_cast<double>(denominator));
    } else {
        bestFraction(rest, maxDenominator, numerator, denominator);
    }
    if (section.fractionHasWhole && numerator >= denominator) {
        whole += numerator / denominator;
        numerator %= denominator;
    }
    bool hide = section.fractionHasWhole && numerator == 0;
    std::string wholeDigits = whole != 0 ? std::to_string(whole) : (hide ? "0" : "");
    return {wholeDigits, std::to_string(numerator), std::to_string(denominator), hide};
}

std::string renderFraction(const Section& section, double value) {
    FractionParts parts = fractionParts(section, value);
    const std::string& wholeDigits = parts.whole;
    const std::string& denominatorText = parts.denominator;
    bool hideFraction = parts.hideFraction;
    auto wholeSlots = fillRightAligned(placeholdersOf(section, DigitPart::Whole), wholeDigits);
    auto numeratorSlots = fillRightAligned(placeholdersOf(section, DigitPart::Numerator), parts.numerator);
    auto denominatorPlaceholders = placeholdersOf(section, DigitPart::Denominator);

    std::string out;
    size_t wholeIndex = 0, numeratorIndex = 0, denominatorIndex = 0;
    bool fixedWritten = false;
    auto hidden = [&](const std::string& s) { return hideFraction ? std::string(s.size(), ' ') : s; };
    bool afterSlash = false;
    for (const auto& t : section.tokens) {
        if (t.part == DigitPart::Whole) {
            out += wholeSlots[wholeIndex++];
        } else if (t.part == DigitPart::Numerator) {
            out += hidden(numeratorSlots[numeratorIndex++]);
        } else if (t.part == DigitPart::Denominator && section.fixedDenominator > 0) {
            if (!fixedWritten) out += hidden(denominatorText);
            fixedWritten = true;
        } else if (t.part == DigitPart::Denominator) {
            // Left-aligned: digits first, then the placeholders' padding.
            size_t k = denominatorIndex++;
            if (k < denominatorText.size()) {
                out += hidden(k + 1 == denominatorPlaceholders.size() ? denominatorText.substr(k) : denominatorText.substr(k, 1));
            } else if (t.ch == '?') {
                out += ' ';
            } else if (t.ch == '0') {
                out += hidden("0");
            }
        } else if (t.kind == TokenKind::Slash && !afterSlash) {
            afterSlash = true;
            out += hidden("/");
        } else if (t.kind == TokenKind::Literal || t.kind == TokenKind::Slash) {
            out += t.text;
        }
    }
    return out;
}

// ---------------------------------------------------------------------------------------------
// Rendering dates and times

constexpr std::array<const char*, 12> kMonthNames = {"January", "February", "March",     "April",   "May",      "June",
                                                     "July",    "August",   "September", "October", "November", "December"};
constexpr std::array<const char*, 7> kDayNames = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};

int weekdayOfSerial(int64_t days, bool date1904) {
    // 1900: serial 1 is a Sunday in the application's calendar; 1904: serial 0 is a Friday.
    return static_cast<int>((days + (date1904 ? 5 : 6)) % 7);
}

std::string padded(int64_t value, int width) {
    std::string digits = std::to_string(value);
    if (static_cast<int>(digits.size()) < width) digits.insert(0, static_cast<size_t>(width) - digits.size(), '0');
    return digits;
}

std::string hashes() { return "########"; }

std::string renderDate(const Section& section, double serial, bool date1904) {
    if (!(serial >= 0) || serial >= lastDateSerial(date1904) + 1) return hashes();
    int64_t unitsPerSecond = 1;
    for (int k = 0; k < section.subsecondDigits; ++k) unitsPerSecond *= 10;
    const int64_t unitsPerDay = 86400 * unitsPerSecond;
    // Rounded to the smallest unit shown, so 23:59:59.7 shows as the next day's 0:00:00.
    int64_t total = std::llround(serial * static_cast<double>(unitsPerDay));
    int64_t days = total / unitsPerDay;
    int64_t dayUnits = total % unitsPerDay;
    int64_t secondOfDay = dayUnits / unitsPerSecond;
    int64_t subsecond = dayUnits % unitsPerSecond;
    int64_t hour = secondOfDay / 3600;
    int64_t minute = secondOfDay / 60 % 60;
    int64_t second = secondOfDay % 60;
    int64_t totalSeconds = total / unitsPerSecond;
    bool twelveHour = std::any_of(section.tokens.begin(), section.tokens.end(),
                                  [](const Token& t) { return t.kind == TokenKind::AmPm; });
    base::CivilDate date = civilDateOfSerial(days, date1904);

    std::string out;
    for (const auto& t : section.tokens) {
        switch (t.kind) {
        case TokenKind::Literal: out += t.text; break;
        case TokenKind::AmPm: {
            // "am/pm" shows as "AM"/"PM" like "AM/PM"; only "a/p" keeps its letter case.
            bool pm = hour >= 12;
            bool lower = t.count == 1 && t.text[0] == 'a';
            std::string mark = t.count == 2 ? (pm ? "PM" : "AM") : (pm ? "P" : "A");
            if (lower)
                for (auto& c : mark) c = base::asciiLower(c);
            out += mark;
            break;
        }
        case TokenKind::Elapsed: {
            int64_t value = t.ch == 'h' ? totalSeconds / 3600 : t.ch == 'm' ? totalSeconds / 60 : totalSeconds;
            out += padded(value, t.count);
            break;
        }
        case TokenKind::SubSecond: {
            int64_t shown = subsecond;
            for (int k = t.count; k < section.subsecondDigits; ++k) shown /= 10;
            out += '.';
            out += padded(shown, t.count);
            break;
        }
        case TokenKind::DatePart:
            switch (t.ch) {
            case 'y': out += t.count <= 2 ? padded(date.year % 100, 2) : padded(date.year, 4); break;
            case 'm':
                if (t.minute) out += padded(minute, t.count >= 2 ? 2 : 1);
                else if (t.count <= 2) out += padded(date.month, t.count);
                else if (t.count == 3) out += std::string(kMonthNames[static_cast<size_t>(date.month - 1)], 3);
                else if (t.count == 4) out += kMonthNames[static_cast<size_t>(date.month - 1)];
                else out += kMonthNames[static_cast<size_t>(date.month - 1)][0];
                break;
            case 'd':
                if (t.count <= 2) out += padded(date.day, t.count);
                else if (t.count == 3) out += std::string(kDayNames[static_cast<size_t>(weekdayOfSerial(days, date1904))], 3);
                else out += kDayNames[static_cast<size_t>(weekdayOfSerial(days, date1904))];
                break;
            case 'h': {
                int64_t shown = twelveHour ? (hour % 12 == 0 ? 12 : hour % 12) : hour;
                out += padded(shown, t.count >= 2 ? 2 : 1);
                break;
            }
            case 's': out += padded(second, t.count >= 2 ? 2 : 1); break;
            default: break;
            }
            break;
        default: break;
        }
    }
    return out;
}

// ---------------------------------------------------------------------------------------------
// Texts, sections, values

std::string renderText(const Section& section, std::string_view text) {
    std::string out;
    for (const auto& t : section.tokens) {
        if (t.kind == TokenKind::Text) out += text;
        else if (t.kind == TokenKind::Literal) out += t.text;
    }
    return out;
}

std::string renderGeneral(const Section& section, double value) {
    std::string out;
    for (const auto& t : section.tokens) {
        if (t.kind == TokenKind::General) out += generalNumber(value);
        else if (t.kind == TokenKind::Literal) out += t.text;
    }
    return out;
}

}  // namespace

struct NumberFormat::Parsed {
    std::vector<Section> sections;
    int textSection = -1;  // -1 = texts are shown as they are
    bool isGeneralOnly = false;
};

NumberFormat::NumberFormat(std::string_view formatCode) : parsed_(std::make_unique<Parsed>()) {
    auto& p = *parsed_;
    p.sections = tokenize(formatCode);
    if (p.sections.size() > 4) p.sections.resize(4);
    for (auto& section : p.sections) analyze(section);
    if (p.sections.size() == 4) {
        p.textSection = 3;
    } else {
        for (size_t k = 0; k < p.sections.size(); ++k)
            if (p.sections[k].hasText) {
                p.textSection = static_cast<int>(k);
                break;
            }
    }
    p.isGeneralOnly = p.sections.size() == 1 &&
                      (p.sections[0].kind == SectionKind::Empty ||
                       (p.sections[0].kind == SectionKind::General && p.sections[0].tokens.size() == 1));
}

NumberFormat::~NumberFormat() = default;
NumberFormat::NumberFormat(NumberFormat&&) noexcept = default;
NumberFormat& NumberFormat::operator=(NumberFormat&&) noexcept = default;

bool NumberFormat::isDateFormat() const {
    return std::any_of(parsed_->sections.begin(), parsed_->sections.end(),
                       [](const Section& s) { return s.kind == SectionKind::Date; });
}

bool NumberFormat::showsNumbersAsGeneral() const {
    const auto& p = *parsed_;
    return p.isGeneralOnly ||
           (p.sections.size() == 1 && p.sections[0].kind == SectionKind::Text && !p.sections[0].condition.present);
}

std::string NumberFormat::formatNumber(double value, bool date1904) const {
    if (!std::isfinite(value)) return "#NUM!";
    const auto& p = *parsed_;
    if (p.isGeneralOnly) return generalNumber(value);
    const auto& sections = p.sections;
    // The sections a number can use: a fourth section is for texts only.
    size_t numberSections = std::min<size_t>(sections.size(), 3);
    const Section* section = &sections[0];
    bool showMinus = value < 0;
    if (sections[0].condition.present || (numberSections > 1 && sections[1].condition.present)) {
        // Conditions pick the section; the value keeps its sign.
        if (sections[0].condition.present && sections[0].condition.matches(value)) {
            section = &sections[0];
        } else if (numberSections > 1 && (!sections[1].condition.present || sections[1].condition.matches(value))) {
            section = &sections[1];
        } else if (numberSections > 2) {
            section = &sections[2];
        } else if (!sections[0].condition.present) {
            section = &sections[0];
        } else {
            return hashes();
        }
    } else if (value < 0 && numberSections > 1) {
        section = &sections[1];
        showMinus = false;
    } else if (value == 0 && numberSections > 2) {
        section = &sections[2];
    }

    double magnitude = std::abs(value);
    std::string text;
    switch (section->kind) {
    case SectionKind::Empty: return "";
    case SectionKind::Date: return renderDate(*section, value, date1904);
    case SectionKind::Number: text = renderNumber(*section, magnitude); break;
    case SectionKind::Fraction: text = renderFraction(*section, magnitude); break;
    case SectionKind::General: text = renderGeneral(*section, magnitude); break;
    case SectionKind::Text: text = generalNumber(magnitude); break;
    }
    return showMinus ? "-" + text : text;
}

std::string NumberFormat::formatText(std::string_view text) const {
    const auto& p = *parsed_;
    if (p.textSection < 0) return std::string(text);
    return renderText(p.sections[static_cast<size_t>(p.textSection)], text);
}

std::string NumberFormat::format(const com::Variant& value, bool date1904) const {
    using com::VarType;
    switch (value.type()) {
    case VarType::Empty:
    case VarType::Null: return "";
    case VarType::Boolean: return value.asBool() ? "TRUE" : "FALSE";
    case VarType::Integer: return formatNumber(value.asInt16(), date1904);
    case VarType::Long: return formatNumber(value.asInt32(), date1904);
    case VarType::LongLong: return formatNumber(static_cast<double>(value.asInt64()), date1904);
    case VarType::Double: return formatNumber(value.asDouble(), date1904);
    case VarType::Currency: return formatNumber(static_cast<double>(value.asCurrency().scaled) / 10000.0, date1904);
    case VarType::Date: {
        double ole = value.asDate().serial;
        double serial = serialOfAutomationDate(ole, date1904);
        if (!parsed_->isGeneralOnly) return formatNumber(serial, date1904);
        // A date in a General cell shows as a date, as when the application receives one.
        bool hasTime = ole != std::floor(ole);
        const char* code = !hasTime ? "m/d/yyyy" : (ole > 0 && ole < 1) ? "h:mm:ss" : "m/d/yyyy h:mm";
        return NumberFormat(code).formatNumber(serial, date1904);
    }
    case VarType::String: return formatText(value.asString());
    case VarType::Error: return std::string(cellErrorText(value.asError()));
    default: return "";
    }
}

std::string displayText(const com::Variant& value, std::string_view formatCode, bool date1904) {
    return NumberFormat(formatCode).format(value, date1904);
}

std::string builtinNumberFormat(int id) {
    switch (id) {
    case 0: return "General";
    case 1: return "0";
    case 2: return "0.00";
    case 3: return "#,##0";
    case 4: return "#,##0.00";
    case 5: return "$#,##0_);($#,##0)";
    case 6: return "$#,##0_);[Red]($#,##0)";
    case 7: return "$#,##0.00_);($#,##0.00)";
    case 8: return "$#,##0.00_);[Red]($#,##0.00)";
    case 9: return "0%";
    case 10: return "0.00%";
    case 11: return "0.00E+00";
    case 12: return "# ?/?";
    case 13: return "# ?\?/?\?";
    case 14: return "m/d/yyyy";
    case 15: return "d-mmm-yy";
    case 16: return "d-mmm";
    case 17: return "mmm-yy";
    case 18: return "h:mm AM/PM";
    case 19: return "h:mm:ss AM/PM";
    case 20: return "h:mm";
    case 21: return "h:mm:ss";
    case 22: return "m/d/yyyy h:mm";
    case 37: return "#,##0_);(#,##0)";
    case 38: return "#,##0_);[Red](#,##0)";
    case 39: return "#,##0.00_);(#,##0.00)";
    case 40: return "#,##0.00_);[Red](#,##0.00)";
    case 41: return "_(* #,##0_);_(* \\(#,##0\\);_(* \"-\"_);_(@_)";
    case 42: return "_(\"$\"* #,##0_);_(\"$\"* \\(#,##0\\);_(\"$\"* \"-\"_);_(@_)";
    case 43: return "_(* #,##0.00_);_(* \\(#,##0.00\\);_(* \"-\"??_);_(@_)";
    case 44: return "_(\"$\"* #,##0.00_);_(\"$\"* \\(#,##0.00\\);_(\"$\"* \"-\"??_);_(@_)";
    case 45: return "mm:ss";
    case 46: return "[h]:mm:ss";
    case 47: return "mmss.0";
    case 48: return "##0.0E+0";
    case 49: return "@";
    default: return "";
    }
}

}  // namespace tavlora::host
