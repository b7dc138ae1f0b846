#pragma once
#include <memory>
#include <string>
#include <string_view>

#include "com/Variant.h"

namespace tavlora::host {

// The displayed text of a value under a number format code: General, fixed decimals, thousands
// separators, percent, scientific, dates and times, "@", literal text and sections.
// Numbers: Double; texts: String; booleans: "TRUE"/"FALSE"; errors: their text.
std::string displayText(const com::Variant& value, std::string_view formatCode, bool date1904 = false);

// The built-in number format codes by id (0 = "General", 14 = "m/d/yyyy", 49 = "@", ...);
// "" for an id with no built-in code.
std::string builtinNumberFormat(int id);

// A number format code parsed once, for rendering many values with it (the web page, Find over a
// large area). Parsing never fails: what the engine does not understand is shown literally.
// Rendering is locale-independent ("." and "," as in en-US) and never throws.
class NumberFormat {
public:
    explicit NumberFormat(std::string_view formatCode);
    ~NumberFormat();
    NumberFormat(NumberFormat&&) noexcept;
    NumberFormat& operator=(NumberFormat&&) noexcept;

    // The displayed text of any value (see displayText).
    std::string format(const com::Variant& value, bool date1904 = false) const;
    // A number as a cell holds it: a serial of the workbook's date system for date formats.
    std::string formatNumber(double value, bool date1904 = false) const;
    std::string formatText(std::string_view text) const;
    // True when the code shows numbers as dates or times (a section with date or time parts).
    bool isDateFormat() const;
    // True when formatNumber shows every finite number as its general text, a minus sign before
    // that of its magnitude: General itself, or one section for texts alone ("@").
    bool showsNumbersAsGeneral() const;

    struct Parsed;

private:
    std::unique_ptr<Parsed> parsed_;
};

}  // namespace tavlora::host
