// The stand-in for the "Symbol" font. Formulas, markup and documents keep
// Symbol-font characters as single bytes ("p" is pi, 0xB1 is plus-or-minus);
// on screen they are drawn in the formula font as the Unicode characters this
// table maps them to.
#pragma once

#include <QString>

#include <string_view>

// The Unicode character that a Symbol-font code point shows as. Codes
// without a Symbol meaning show as the system code page's character.
[[nodiscard]] char16_t SymbolToUnicode(unsigned char code);
// A whole run of Symbol-font bytes as Unicode text.
[[nodiscard]] QString SymbolText(std::string_view codes);
// The Symbol-font code point for a Unicode character, or 0 when the Symbol
// font has none (the inverse of SymbolToUnicode for the mapped characters).
[[nodiscard]] unsigned char UnicodeToSymbol(char16_t character);
