#include "host/cells/SheetPrefix.h"

#include "host/cells/CellRef.h"

namespace tavlora::host {

namespace {

bool isLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

size_t skipNameCharacters(std::string_view text, size_t i) {
    while (i < text.size() && isNameCharacter(text[i])) ++i;
    return i;
}

// "[1]" / "[Book.xlsx]": the workbook part of an external prefix; npos when not closed.
size_t skipWorkbookPart(std::string_view text, size_t i) {
    size_t close = text.find(']', i);
    return close == std::string_view::npos ? close : close + 1;
}

// Names the other notation reads as a reference: R, C, R1, C1, R1C1 in any case.
bool looksLikeR1C1(std::string_view name) {
    size_t i = 0;
    auto part = [&](char letter) {
        if (i < name.size() && (name[i] | 0x20) == (letter | 0x20)) {
            ++i;
            while (i < name.size() && isDigit(name[i])) ++i;
            return true;
        }
        return false;
    };
    bool any = part('R');
    any = part('C') || any;
    return any && i == name.size();
}

// Quoted when the name holds anything but letters, digits, "_" and ".", or could be read as a
// reference or a number.
bool needsQuotes(std::string_view sheetName) {
    bool plain = !sheetName.empty() && (isLetter(sheetName[0]) || sheetName[0] == '_');
    for (char c : sheetName)
        if (!(isLetter(c) || isDigit(c) || c == '_' || c == '.')) plain = false;
    int32_t row = 0, column = 0;
    return !plain || parseCell(sheetName, row, column) || looksLikeR1C1(sheetName);
}

std::string quoted(std::string_view text) {
    std::string out = "'";
    for (char c : text) {
        if (c == '\'') out += '\'';
        out += c;
    }
    out += '\'';
    return out;
}

}  // namespace

bool isNameCharacter(char c) {
    return isLetter(c) || isDigit(c) || c == '_' || c == '.' || c == '\\' || c == '?' || c == '$' ||
           static_cast<unsigned char>(c) >= 0x80;
}

size_t skipQuoted(std::string_view text, size_t pos) {
    const char quote = text[pos];
    for (size_t i = pos + 1; i < text.size(); ++i) {
        if (text[i] != quote) continue;
        if (i + 1 < text.size() && text[i + 1] == quote) {
            ++i;
            continue;
        }
        return i + 1;
    }
    return std::string_view::npos;
}

std::string SheetPrefix::name() const {
    if (!quoted) return std::string(nameText);
    std::string name;
    std::string_view inner = nameText.substr(1, nameText.size() - 2);
    for (size_t i = 0; i < inner.size(); ++i) {
        name += inner[i];
        if (inner[i] == '\'') ++i;  // the second quote of a doubled pair
    }
    return name;
}

std::optional<SheetPrefix> readSheetPrefix(std::string_view text, size_t pos) {
    SheetPrefix prefix;
    size_t i = pos;
    if (i < text.size() && text[i] == '[') {
        i = skipWorkbookPart(text, i);
        if (i == std::string_view::npos) return std::nullopt;
        prefix.external = true;
    }
    const size_t nameStart = i;
    if (i < text.size() && text[i] == '\'') {
        i = skipQuoted(text, i);
        if (i == std::string_view::npos) return std::nullopt;
        prefix.quoted = true;
        std::string_view inner = text.substr(nameStart + 1, i - nameStart - 2);
        // A quoted prefix may hold a workbook part and a run of sheets; sheet names hold neither.
        if (!inner.empty() && inner.front() == '[') prefix.external = true;
        if (inner.find(':') != std::string_view::npos) prefix.threeD = true;
    } else {
        i = skipNameCharacters(text, i);
        if (i == nameStart) return std::nullopt;
        if (i < text.size() && text[i] == ':') {
            size_t second = skipNameCharacters(text, i + 1);
            if (second > i + 1 && second < text.size() && text[second] == '!') {
                prefix.threeD = true;
                i = second;
            }
        }
    }
    if (i >= text.size() || text[i] != '!') return std::nullopt;
    prefix.nameText = text.substr(nameStart, i - nameStart);
    prefix.text = text.substr(pos, i + 1 - pos);
    return prefix;
}

bool splitSheetPrefix(std::string_view text, std::string& sheet, std::string& reference) {
    auto prefix = readSheetPrefix(text, 0);
    if (!prefix || prefix->external || prefix->threeD) return false;
    sheet = prefix->name();
    reference.assign(text.substr(prefix->text.size()));
    return true;
}

std::string sheetPrefix(std::string_view sheetName) {
    return needsQuotes(sheetName) ? quoted(sheetName) : std::string(sheetName);
}

std::string sheetRunPrefix(std::string_view first, std::string_view last) {
    std::string run = std::string(first) + ":" + std::string(last);
    return needsQuotes(first) || needsQuotes(last) ? quoted(run) : run;
}

}  // namespace tavlora::host
