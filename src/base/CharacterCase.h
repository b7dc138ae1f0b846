#pragma once

// Unicode's simple (one code point to one) case mappings and the letter property, from the
// platform's character tables: ICU on Linux, the system's own calls on Windows.
namespace tavlora::base {

char32_t simpleUpperCase(char32_t cp);
char32_t simpleLowerCase(char32_t cp);
char32_t simpleTitleCase(char32_t cp);
bool isLetter(char32_t cp);

}  // namespace tavlora::base
