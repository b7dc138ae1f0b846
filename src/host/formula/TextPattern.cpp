#include "host/formula/TextPattern.h"

#include <algorithm>

#include "base/Ascii.h"
#include "base/Utf8.h"
#include "com/Conversions.h"

namespace tavlora::host {

TextPattern::TextPattern(std::string_view pattern, Extent extent) {
    std::u32string folded = base::decodeUtf8(com::foldCaseAndWidth(pattern));
    // Part match: the pattern may start and end anywhere in the text.
    bool anyPart = extent == Extent::AnyPart;
    if (anyPart) tokens_.push_back({Kind::AnyRun, 0});
    for (size_t i = 0; i < folded.size(); ++i) {
        char32_t c = folded[i];
        if (c == U'~' && i + 1 < folded.size() && (folded[i + 1] == U'*' || folded[i + 1] == U'?' || folded[i + 1] == U'~')) {
            tokens_.push_back({Kind::Literal, folded[++i]});
        } else if (c == U'*') {
            if (tokens_.empty() || tokens_.back().kind != Kind::AnyRun) tokens_.push_back({Kind::AnyRun, 0});
        } else if (c == U'?') {
            tokens_.push_back({Kind::AnyOne, 0});
        } else {
            tokens_.push_back({Kind::Literal, c});
        }
    }
    if (anyPart && tokens_.back().kind != Kind::AnyRun) tokens_.push_back({Kind::AnyRun, 0});
    literal_ = std::all_of(tokens_.begin(), tokens_.end(), [](const Token& t) { return t.kind == Kind::Literal; });
}

bool TextPattern::matches(std::string_view text) const {
    // ASCII text (most cells) folds to upper case byte by byte; other text takes the full folding.
    bool ascii = true;
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) {
            ascii = false;
            break;
        }
    if (!ascii) {
        base::decodeUtf8(com::foldCaseAndWidth(text), folded_);
        return matchesFolded(folded_);
    }
    if (literal_) return matchesLiteral(text);
    folded_.clear();
    for (char c : text) folded_ += static_cast<char32_t>(base::asciiUpper(c));
    return matchesFolded(folded_);
}

// A criterion such as "East" met by each cell of a column: most cells differ in length already.
bool TextPattern::matchesLiteral(std::string_view asciiText) const {
    if (asciiText.size() != tokens_.size()) return false;
    for (size_t i = 0; i < asciiText.size(); ++i)
        if (static_cast<char32_t>(base::asciiUpper(asciiText[i])) != tokens_[i].ch) return false;
    return true;
}

// Wildcard matching with the last star as the only backtrack point: linear in practice, never
// exponential.
bool TextPattern::matchesFolded(const std::u32string& text) const {
    size_t t = 0, p = 0;
    size_t starP = std::u32string::npos, starT = 0;
    while (t < text.size()) {
        if (p < tokens_.size() && tokens_[p].kind == Kind::AnyRun) {
            starP = p++;
            starT = t;
        } else if (p < tokens_.size() && (tokens_[p].kind == Kind::AnyOne || tokens_[p].ch == text[t])) {
            ++p;
            ++t;
        } else if (starP != std::u32string::npos) {
            p = starP + 1;
            t = ++starT;
        } else {
            return false;
        }
    }
    while (p < tokens_.size() && tokens_[p].kind == Kind::AnyRun) ++p;
    return p == tokens_.size();
}

}  // namespace tavlora::host
