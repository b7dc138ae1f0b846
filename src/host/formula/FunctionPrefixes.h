#pragma once
#include <string>
#include <string_view>

// Files name the functions newer than the original file format with a prefix ("_xlfn.IFNA("); a
// reader that does not find it takes the name for an unknown one. Formulas a program writes are
// stored as files carry them, and shown without the prefix, as the application does.
namespace tavlora::host::formula {

std::string withFilePrefixes(std::string_view formula);
std::string withoutFilePrefixes(std::string_view formula);

}  // namespace tavlora::host::formula
