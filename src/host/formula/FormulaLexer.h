#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "host/cells/CellRef.h"
#include "host/cells/SheetPrefix.h"

// The one lexer of formula text (A1 notation, without the leading "="). It reads far enough to tell
// references from texts, numbers, error literals, names, function names, structured and external
// references; every byte of the formula belongs to exactly one token, so a rewrite that copies the
// tokens it does not change gives back the text it was given.
namespace tavlora::host::formula {

enum class TokenKind : uint8_t {
    Number,       // 12, 1.5E+10, .5
    Text,         // "say ""hi""" (an unclosed text runs to the end)
    Error,        // #REF!, #N/A, #DIV/0!, #GETTING_DATA; also Sheet1!#REF!
    Name,         // a defined name, TRUE, a table name; also Sheet1!Total
    Function,     // a name followed by "("
    Reference,    // B3, $A$1:B2, 1:3, A:$C, 'My Sheet'!A1, [1]Data!C3, Sheet1:Sheet3!A1
    Bracketed,    // [Amount], [[#This Row],[B1]]: a structured reference's part
    Operator,     // + - * / ^ & = <> <= >= < > % : @
    OpenParen,
    CloseParen,
    Comma,
    Semicolon,    // the row separator of array constants
    OpenBrace,
    CloseBrace,
    Whitespace,   // blanks, which are also the intersection operator
    Other,        // anything else, as a single byte (or a quoted name no "!" follows)
};

struct Token {
    TokenKind kind = TokenKind::Other;
    std::string_view text;                // the whole token as written, prefix included
    std::optional<SheetPrefix> prefix;    // Reference, Name and Error tokens may have one
    A1Reference reference;                // Reference tokens

    // The text after the prefix.
    std::string_view body() const { return text.substr(prefix ? prefix->text.size() : 0); }
};

class FormulaLexer {
public:
    explicit FormulaLexer(std::string_view formula) : text_(formula) {}

    // The next token; false at the end of the formula.
    bool next(Token& token);

private:
    size_t afterReference(size_t at, A1Reference& reference) const;
    bool isNumberStart(size_t at) const;
    size_t numberEnd(size_t at) const;
    size_t wordEnd(size_t at) const;
    size_t errorEnd(size_t at) const;
    size_t textEnd(size_t at) const;
    size_t bracketEnd(size_t at) const;
    size_t operatorEnd(size_t at) const;
    // What follows a prefix: a reference, an error literal or a name.
    void prefixed(Token& token, size_t at);

    std::string_view text_;
    size_t pos_ = 0;
};

// Returns the replacement for a token, or nullopt to keep it as written.
using TokenRewrite = std::function<std::optional<std::string>(const Token&)>;
// The formula with each token the callback answers replaced.
std::string rewriteTokens(std::string_view formula, const TokenRewrite& rewrite);

}  // namespace tavlora::host::formula
