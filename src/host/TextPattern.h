#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace tavlora::host {

// A search pattern as the host's Find reads it: "*" any run of characters, "?" one character,
// "~" makes the next "*", "?" or "~" literal. The pattern matches a text when it matches any part
// of it. Letter case and character width are ignored (both sides are folded once).
class TextPattern {
public:
    explicit TextPattern(std::string_view pattern);
    bool matches(std::string_view text) const;

private:
    enum class Kind : uint8_t { Literal, AnyOne, AnyRun };
    struct Token {
        Kind kind;
        char32_t ch;
    };
    bool matchesFolded(const std::u32string& text) const;
    std::vector<Token> tokens_;
    // Reused for the folded text of each match, so searching many cells allocates once.
    // A pattern is therefore not for use by two threads at once.
    mutable std::u32string folded_;
};

}  // namespace tavlora::host
