#include "host/formula/FormulaLexer.h"

namespace tavlora::host::formula {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool isOperator(char c) {
    switch (c) {
        case '+': case '-': case '*': case '/': case '^': case '&': case '=': case '<': case '>': case '%':
        case ':': case '@':
            return true;
        default:
            return false;
    }
}

}  // namespace

bool FormulaLexer::next(Token& token) {
    if (pos_ >= text_.size()) return false;
    token = Token{};
    const size_t start = pos_;
    const char c = text_[start];
    size_t end = start + 1;
    token.kind = TokenKind::Other;
    if (c == '"') {
        token.kind = TokenKind::Text;
        end = textEnd(start);
    } else if (c == '#') {
        token.kind = TokenKind::Error;
        end = errorEnd(start);
    } else if (c == '\'' || c == '[' || isNameCharacter(c)) {
        if (auto prefix = readSheetPrefix(text_, start)) {
            token.prefix = prefix;
            prefixed(token, start + prefix->text.size());
            end = start + token.text.size();
        } else if (c == '\'') {
            size_t close = skipQuoted(text_, start);
            end = close == std::string_view::npos ? text_.size() : close;
        } else if (c == '[') {
            token.kind = TokenKind::Bracketed;
            end = bracketEnd(start);
        } else if ((end = afterReference(start, token.reference)) != start) {
            token.kind = TokenKind::Reference;
        } else if (isNumberStart(start)) {
            token.kind = TokenKind::Number;
            end = numberEnd(start);
        } else {
            end = wordEnd(start);
            token.kind = end < text_.size() && text_[end] == '(' ? TokenKind::Function : TokenKind::Name;
        }
    } else if (isBlank(c)) {
        token.kind = TokenKind::Whitespace;
        while (end < text_.size() && isBlank(text_[end])) ++end;
    } else if (isOperator(c)) {
        token.kind = TokenKind::Operator;
        end = operatorEnd(start);
    } else {
        switch (c) {
            case '(': token.kind = TokenKind::OpenParen; break;
            case ')': token.kind = TokenKind::CloseParen; break;
            case ',': token.kind = TokenKind::Comma; break;
            case ';': token.kind = TokenKind::Semicolon; break;
            case '{': token.kind = TokenKind::OpenBrace; break;
            case '}': token.kind = TokenKind::CloseBrace; break;
            default: break;
        }
    }
    token.text = text_.substr(start, end - start);
    pos_ = end;
    return true;
}

// A reference at `at` must end where nothing could continue a name, a call, a prefix or a
// structured reference: "A10B", "LOG10(" and "Table1[" are no references. A lone row or column
// ("7", "C") is a number or a name here. When the range does not end well its first cell may.
size_t FormulaLexer::afterReference(size_t at, A1Reference& reference) const {
    auto ends = [&](size_t pos) {
        if (pos >= text_.size()) return true;
        char c = text_[pos];
        return !isNameCharacter(c) && c != '(' && c != '!' && c != '[';
    };
    size_t end = scanA1Reference(text_, at, reference);
    if (end == at || (!reference.ranged && !reference.first.isCell())) return at;
    if (ends(end)) return end;
    if (!reference.ranged) return at;
    end = scanA1Corner(text_, at, reference.first);
    reference.second = reference.first;
    reference.ranged = false;
    return reference.first.isCell() && ends(end) ? end : at;
}

void FormulaLexer::prefixed(Token& token, size_t at) {
    size_t end = afterReference(at, token.reference);
    if (end != at) {
        token.kind = TokenKind::Reference;
    } else if (at < text_.size() && text_[at] == '#') {
        token.kind = TokenKind::Error;
        end = errorEnd(at);
    } else {
        token.kind = TokenKind::Name;
        end = wordEnd(at);
    }
    size_t start = at - token.prefix->text.size();
    token.text = text_.substr(start, end - start);
}

bool FormulaLexer::isNumberStart(size_t at) const {
    char c = text_[at];
    return isDigit(c) || (c == '.' && at + 1 < text_.size() && isDigit(text_[at + 1]));
}

// Digits and a decimal point, then an exponent only when digits follow it ("1E5", not "1E").
size_t FormulaLexer::numberEnd(size_t at) const {
    size_t i = at;
    while (i < text_.size() && (isDigit(text_[i]) || text_[i] == '.')) ++i;
    if (i < text_.size() && (text_[i] == 'E' || text_[i] == 'e')) {
        size_t j = i + 1;
        if (j < text_.size() && (text_[j] == '+' || text_[j] == '-')) ++j;
        if (j < text_.size() && isDigit(text_[j])) {
            i = j;
            while (i < text_.size() && isDigit(text_[i])) ++i;
        }
    }
    return i;
}

size_t FormulaLexer::wordEnd(size_t at) const {
    while (at < text_.size() && isNameCharacter(text_[at])) ++at;
    return at;
}

// "#" and letters, digits, "/" and "_" (#DIV/0!, #GETTING_DATA), then a closing "!" or "?".
size_t FormulaLexer::errorEnd(size_t at) const {
    size_t i = at + 1;
    while (i < text_.size() && (isLetter(text_[i]) || isDigit(text_[i]) || text_[i] == '/' || text_[i] == '_')) ++i;
    if (i < text_.size() && (text_[i] == '!' || text_[i] == '?')) ++i;
    return i;
}

size_t FormulaLexer::textEnd(size_t at) const {
    size_t end = skipQuoted(text_, at);
    return end == std::string_view::npos ? text_.size() : end;
}

// Structured references nest brackets; "'" escapes the character after it inside them.
size_t FormulaLexer::bracketEnd(size_t at) const {
    int depth = 0;
    for (size_t i = at; i < text_.size(); ++i) {
        char c = text_[i];
        if (c == '\'' && i + 1 < text_.size()) {
            ++i;
            continue;
        }
        if (c == '[') ++depth;
        else if (c == ']' && --depth == 0) return i + 1;
    }
    return text_.size();
}

size_t FormulaLexer::operatorEnd(size_t at) const {
    if (at + 1 < text_.size()) {
        char a = text_[at], b = text_[at + 1];
        if ((a == '<' && (b == '=' || b == '>')) || (a == '>' && b == '=')) return at + 2;
    }
    return at + 1;
}

std::string rewriteTokens(std::string_view formula, const TokenRewrite& rewrite) {
    std::string out;
    out.reserve(formula.size() + 8);
    FormulaLexer lexer(formula);
    Token token;
    while (lexer.next(token)) {
        if (auto replacement = rewrite(token)) out += *replacement;
        else out.append(token.text);
    }
    return out;
}

}  // namespace tavlora::host::formula
