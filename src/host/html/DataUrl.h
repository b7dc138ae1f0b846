#pragma once
#include <string>
#include <string_view>

namespace tavlora::host::html {

// "data:<mediaType>;base64,<bytes in base 64>": a picture the page carries inside itself, which
// the page's content security policy allows where it would refuse any fetched one.
std::string dataUrl(std::string_view mediaType, std::string_view bytes);

}  // namespace tavlora::host::html
