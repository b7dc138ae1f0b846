#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "host/formula/FormulaLexer.h"
#include "host/formula/FormulaReferences.h"

namespace tavlora::host::formula {
namespace {

struct Lexed {
    TokenKind kind;
    std::string text;
    bool operator==(const Lexed&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Lexed& token) {
    return out << static_cast<int>(token.kind) << ":" << token.text;
}

std::vector<Lexed> lex(std::string_view formula) {
    std::vector<Lexed> tokens;
    FormulaLexer lexer(formula);
    std::string joined;
    for (Token token; lexer.next(token);) {
        tokens.push_back({token.kind, std::string(token.text)});
        joined += token.text;
    }
    EXPECT_EQ(joined, formula) << "the tokens must cover the formula exactly";
    return tokens;
}

Token only(std::string_view formula) {
    FormulaLexer lexer(formula);
    Token token;
    EXPECT_TRUE(lexer.next(token));
    EXPECT_EQ(token.text, formula) << "one token expected";
    return token;
}

using K = TokenKind;

TEST(FormulaLexerTest, EveryKindOfToken) {
    EXPECT_EQ(lex("SUM($A$1:B2, 1.5E+10)&\"a\"\"b\""),
              (std::vector<Lexed>{{K::Function, "SUM"}, {K::OpenParen, "("}, {K::Reference, "$A$1:B2"}, {K::Comma, ","},
                                  {K::Whitespace, " "}, {K::Number, "1.5E+10"}, {K::CloseParen, ")"},
                                  {K::Operator, "&"}, {K::Text, "\"a\"\"b\""}}));
    EXPECT_EQ(lex("{1,2;3}<>#N/A"),
              (std::vector<Lexed>{{K::OpenBrace, "{"}, {K::Number, "1"}, {K::Comma, ","}, {K::Number, "2"},
                                  {K::Semicolon, ";"}, {K::Number, "3"}, {K::CloseBrace, "}"}, {K::Operator, "<>"},
                                  {K::Error, "#N/A"}}));
    EXPECT_EQ(lex("Table1[[#This Row],[B1]]>=.5%"),
              (std::vector<Lexed>{{K::Name, "Table1"}, {K::Bracketed, "[[#This Row],[B1]]"}, {K::Operator, ">="},
                                  {K::Number, ".5"}, {K::Operator, "%"}}));
    EXPECT_EQ(lex("TRUE+Sales.Q1+_x"), (std::vector<Lexed>{{K::Name, "TRUE"}, {K::Operator, "+"}, {K::Name, "Sales.Q1"},
                                                           {K::Operator, "+"}, {K::Name, "_x"}}));
}

TEST(FormulaLexerTest, ReferencesInEveryForm) {
    for (const char* text : {"b3", "$B$3", "B$3:$c4", "1:3", "$2:$2", "A:$C", "XFD1048576"})
        EXPECT_EQ(only(text).kind, K::Reference) << text;
    EXPECT_EQ(only("c:a").reference.area(), (Area{1, 1, kMaxRows, 3}));
    EXPECT_EQ(only("5:2").reference.area(), (Area{2, 1, 5, kMaxColumns}));

    Token quoted = only("'It''s'!A1:B2");
    ASSERT_TRUE(quoted.prefix);
    EXPECT_EQ(quoted.prefix->name(), "It's");
    EXPECT_EQ(quoted.body(), "A1:B2");
    EXPECT_EQ(quoted.reference.area(), (Area{1, 1, 2, 2}));

    Token external = only("[1]Data!C3");
    EXPECT_EQ(external.kind, K::Reference);
    EXPECT_TRUE(external.prefix->external);
    Token run = only("Jan:Mar!C3");
    EXPECT_EQ(run.kind, K::Reference);
    EXPECT_TRUE(run.prefix->threeD);
    Token qualifiedName = only("Data!Total");
    EXPECT_EQ(qualifiedName.kind, K::Name);
    EXPECT_EQ(qualifiedName.body(), "Total");
    Token qualifiedError = only("Data!#REF!");
    EXPECT_EQ(qualifiedError.kind, K::Error);
    EXPECT_EQ(qualifiedError.prefix->name(), "Data");
}

TEST(FormulaLexerTest, GridBoundariesBothWays) {
    EXPECT_EQ(only("XFD1048576").reference.area(), Area::cell(kMaxRows, kMaxColumns));
    EXPECT_EQ(only("XFE1").kind, K::Name);
    EXPECT_EQ(only("A1048577").kind, K::Name);
    EXPECT_EQ(lex("1048577:1048577"),
              (std::vector<Lexed>{{K::Number, "1048577"}, {K::Operator, ":"}, {K::Number, "1048577"}}));
    EXPECT_EQ(lex("XFE:XFE"), (std::vector<Lexed>{{K::Name, "XFE"}, {K::Operator, ":"}, {K::Name, "XFE"}}));
    EXPECT_EQ(lex("A0+AAAA1"), (std::vector<Lexed>{{K::Name, "A0"}, {K::Operator, "+"}, {K::Name, "AAAA1"}}));
}

TEST(FormulaLexerTest, WhatLooksLikeAReferenceButIsNot) {
    // A function, a longer name, a table, a number with an exponent, the other notation.
    EXPECT_EQ(lex("LOG10(A1)")[0], (Lexed{K::Function, "LOG10"}));
    EXPECT_EQ(lex("A10B")[0], (Lexed{K::Name, "A10B"}));
    EXPECT_EQ(lex("A1[x]")[0], (Lexed{K::Name, "A1"}));
    EXPECT_EQ(lex("1E5")[0], (Lexed{K::Number, "1E5"}));
    EXPECT_EQ(lex("R1C1")[0], (Lexed{K::Name, "R1C1"}));
    // A lone row or column is a number or a name; "C" alone is no column.
    EXPECT_EQ(lex("7+C")[0], (Lexed{K::Number, "7"}));
    EXPECT_EQ(lex("7+C")[2], (Lexed{K::Name, "C"}));
    // "$" continues a name, so "x$A1" is one (invalid) name, not x and $A1.
    EXPECT_EQ(lex("x$A1"), (std::vector<Lexed>{{K::Name, "x$A1"}}));
    // A range whose second corner does not end well falls back to its first cell.
    EXPECT_EQ(lex("A1:B2C"), (std::vector<Lexed>{{K::Reference, "A1"}, {K::Operator, ":"}, {K::Name, "B2C"}}));
}

TEST(FormulaLexerTest, ErrorLiteralsByLexicalRule) {
    for (const char* error : {"#NULL!", "#DIV/0!", "#VALUE!", "#REF!", "#NAME?", "#NUM!", "#N/A", "#GETTING_DATA",
                              "#SPILL!", "#CALC!", "#BLOCKED!"})
        EXPECT_EQ(lex(error), (std::vector<Lexed>{{K::Error, error}})) << error;
    // The "!" closing an error is no sheet prefix.
    EXPECT_EQ(lex("#REF!A1"), (std::vector<Lexed>{{K::Error, "#REF!"}, {K::Reference, "A1"}}));
}

TEST(FormulaLexerTest, UnclosedTextsQuotesAndBracketsRunToTheEnd) {
    EXPECT_EQ(lex("\"open A1"), (std::vector<Lexed>{{K::Text, "\"open A1"}}));
    EXPECT_EQ(lex("'open!A1"), (std::vector<Lexed>{{K::Other, "'open!A1"}}));
    EXPECT_EQ(lex("T[[x"), (std::vector<Lexed>{{K::Name, "T"}, {K::Bracketed, "[[x"}}));
    EXPECT_EQ(lex("'quoted' A1"), (std::vector<Lexed>{{K::Other, "'quoted'"}, {K::Whitespace, " "}, {K::Reference, "A1"}}));
    EXPECT_TRUE(lex("").empty());
}

TEST(FormulaLexerTest, RewriteCopiesWhatItIsNotAsked) {
    auto upper = [](const Token& token) -> std::optional<std::string> {
        if (token.kind != TokenKind::Reference) return std::nullopt;
        std::string out(token.prefix ? token.prefix->text : std::string_view());
        appendA1Reference(out, token.reference);
        return out;
    };
    EXPECT_EQ(rewriteTokens("sum(a1:b$2, \"a1\", 'a1'!c3)", upper), "sum(A1:B$2, \"a1\", 'a1'!C3)");
}

// Random texts of formula characters: the tokens always cover the text, and rewrites that have
// nothing to change give it back unchanged (digits are kept small so no reference reaches the
// last row, and no sheet is named "Z").
TEST(FormulaLexerTest, ArbitraryTextSurvivesEveryRewriteThatChangesNothing) {
    const std::string_view alphabet = "AbC123$:!'\"#[](){},;._ xR+-E@\xC3\xA9";
    std::mt19937 random(20261208);
    for (int round = 0; round < 5000; ++round) {
        std::string text;
        size_t length = random() % 16;
        for (size_t i = 0; i < length; ++i) text += alphabet[random() % alphabet.size()];
        lex(text);
        EXPECT_EQ(shiftForDeletion(text, Context{"S", "S"}, Deletion::rows(kMaxRows, 1)), text);
        EXPECT_EQ(renameSheet(text, "Z", "Y Y"), text);
        EXPECT_EQ(invalidateSheet(text, {"Z", "Y Y", "X"}), text);
        if (HasFailure()) {
            ADD_FAILURE() << "text: " << text;
            break;
        }
    }
}

}  // namespace
}  // namespace tavlora::host::formula
