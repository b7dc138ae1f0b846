#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "com/DateText.h"
#include "com/UnicodeText.h"
#include "com/Variant.h"

// The automation language's value conversions (dates and Unicode text have headers of their own,
// included here). Each throws com::Error with the language's
// run-time error (13 type mismatch, 6 overflow, 94 invalid use of Null) where the language would.
namespace tavlora::com {

// CStr: Empty -> "", Boolean -> "True"/"False", numbers in general form (at most 15 significant
// digits, "1E+16" exponents), dates as YYYY-MM-DD[ hh:mm:ss], Null -> error 94.
std::string toText(const Variant& v);
// Like toText, but Null and Error give "" instead of failing (for display and field text).
std::string toTextOrEmpty(const Variant& v);

// The general text of a double: at most 15 significant digits, trailing zeros dropped,
// "." decimal point, exponent form ("1E+16", "1.5E-10") only where the magnitude needs it.
std::string formatGeneralNumber(double value);
// The shortest text that reads back as the same double (for files, not for display).
std::string formatRoundTripNumber(double value);
// Text of a currency value (scaled by 10,000): up to 4 decimals, trailing zeros dropped.
std::string formatCurrency(int64_t scaled);

// CDbl / CInt / CLng / CLngLng / CBool. Texts must be numeric text (or "True"/"False" for CBool).
double toDouble(const Variant& v);
int16_t toInt16(const Variant& v);  // round half to even; outside -32768..32767 is error 6
int32_t toInt32(const Variant& v);  // round half to even; overflow is error 6
int64_t toInt64(const Variant& v);
bool toBool(const Variant& v);
// CCur: the value scaled by 10,000, rounded half to even; outside the currency range is error 6.
int64_t toCurrencyScaled(const Variant& v);
// CDate: the date serial. Numbers are taken as serials; texts must read as YYYY-MM-DD[ hh:mm[:ss]].
double toDateSerial(const Variant& v);

// 16-bit narrowing of an integer; overflow is error 6.
int16_t narrowToInt16(int64_t value);
// Round half to even of a double, then narrow; overflow is error 6.
int16_t roundToInt16(double value);
int32_t roundToInt32(double value);

// IsNumeric for a text: optional blanks around it, optional sign, digits with an optional decimal
// point and an optional exponent. "" is not numeric.
bool isNumericText(std::string_view text);
// Parses numeric text; returns false when the text is not numeric.
bool parseNumericText(std::string_view text, double& out);

}  // namespace tavlora::com
