#pragma once
#include <optional>
#include <string>

// The bytes of an XML file brought to UTF-8 before parsing, so the parser sees one encoding.
namespace tavlora::data {

// The encoding is taken from a byte order mark (UTF-8, UTF-16, UTF-32), else from the first bytes
// (UTF-16 without a mark), else from the encoding the XML declaration names, else UTF-8. The
// answer is UTF-8 without a byte order mark; nothing when the encoding is unknown or the bytes are
// not well-formed in it.
std::optional<std::string> decodeXmlBytes(std::string bytes);

}  // namespace tavlora::data
