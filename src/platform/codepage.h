// Texts are 8-bit characters in the system code page throughout the model
// (documents, markup, settings); Qt draws Unicode. These two functions are
// the one crossing between them, using Windows-1252 so that documents
// written elsewhere read the same here.
#pragma once

#include <QString>

#include <string>
#include <string_view>

// The Unicode text of 8-bit code-page text.
[[nodiscard]] QString AnsiToQString(std::string_view text);
// The code-page text of Unicode text; characters the code page lacks become '?'.
[[nodiscard]] std::string QStringToAnsi(const QString& text);
// The Unicode character of one code-page byte.
[[nodiscard]] char16_t AnsiToUnicode(unsigned char code);
