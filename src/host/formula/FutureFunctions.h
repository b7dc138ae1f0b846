#pragma once
#include <string>
#include <string_view>

// Functions that came after the first version of the workbook file format are stored in files
// with a prefix ("_xlfn.IFS", "_xlfn._xlws.FILTER"): a reader that lacks the function then shows
// #NAME? instead of taking it for a defined name, and the application and LibreOffice recognise
// the function only when the prefix is there. Formulas typed through the host carry no prefix.
namespace tavlora::host::formula {

// The prefix the function's name takes in files ("" for a function of the first version, or for a
// name that is no function). `name` is matched ignoring letter case.
std::string_view futureFunctionPrefix(std::string_view name);

// The formula (without "=") with every newer function's name prefixed where it is not yet.
std::string withFutureFunctionPrefixes(std::string_view formula);
// The formula as the application shows it: every function name without its prefix.
std::string withoutFutureFunctionPrefixes(std::string_view formula);

}  // namespace tavlora::host::formula
