#pragma once
#include <cstdint>
#include <string>
#include <string_view>

// Dates of the automation language: a double counting days from 1899-12-30, its fraction the time
// of day. Before that day the fraction still counts forward within the day (-1.25 is 1899-12-29
// 06:00). The language's range is 0100-01-01 to 9999-12-31.
namespace tavlora::com {

// 1970-01-01 as a date of the language: the day base::CivilDate counts from.
constexpr int64_t kUnixEpochDate = 25569;

// Text of a date serial: "YYYY-MM-DD", with " hh:mm:ss" when the time of day, rounded to the
// second, is not midnight. Outside the range is error 6.
std::string formatDate(double serial);
// Reads YYYY-MM-DD[ hh:mm[:ss]] (blanks around allowed); false when the text is not such a date.
bool parseDateText(std::string_view text, double& serial);
// The serial itself when it lies in the language's range; error 6 otherwise (NaN included).
double checkDateSerial(double serial);

}  // namespace tavlora::com
