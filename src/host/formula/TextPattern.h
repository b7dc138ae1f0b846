#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace tavlora::host {

// A wildcard pattern as Find and the criteria of COUNTIF, MATCH and their kin read it: "*" any run
// of characters, "?" one character, "~" makes the next "*", "?" or "~" literal. Find matches any
// part of a text; criteria match the whole of it. Letter case and character width are ignored
// (both sides are folded once).
class TextPattern {
public:
    enum class Extent : uint8_t { AnyPart, WholeText };
    explicit TextPattern(std::string_view pattern, Extent extent = Extent::AnyPart);
    bool matches(std::string_view text) const;

private:
    enum class Kind : uint8_t { Literal, AnyOne, AnyRun };
    struct Token {
        Kind kind;
        char32_t ch;
    };
    bool matchesFolded(const std::u32string& text) const;
    bool matchesLiteral(std::string_view asciiText) const;
    std::vector<Token> tokens_;
    // The whole text against a pattern without wildcards: equal length and letters, case aside.
    bool literal_ = false;
    // Reused for the folded text of each match, so searching many cells allocates once.
    // A pattern is therefore not for use by two threads at once.
    mutable std::u32string folded_;
};

}  // namespace tavlora::host
