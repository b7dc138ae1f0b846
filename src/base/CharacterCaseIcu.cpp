#include "base/CharacterCase.h"

#include <unicode/uchar.h>

namespace tavlora::base {

char32_t simpleUpperCase(char32_t cp) { return static_cast<char32_t>(u_toupper(static_cast<UChar32>(cp))); }
char32_t simpleLowerCase(char32_t cp) { return static_cast<char32_t>(u_tolower(static_cast<UChar32>(cp))); }
char32_t simpleTitleCase(char32_t cp) { return static_cast<char32_t>(u_totitle(static_cast<UChar32>(cp))); }
bool isLetter(char32_t cp) { return u_isalpha(static_cast<UChar32>(cp)); }

}  // namespace tavlora::base
