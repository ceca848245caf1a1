// Windows-style colour values as documents, settings and drawing code use
// them: red in the low byte, then green, then blue; 0x01000000 plus an index
// names an entry of the default 20-colour palette; negative values name
// system colours. Everything that draws turns them into QColor here.
#pragma once

#include <QColor>

#include <cstdint>

using TColour = std::int32_t;

inline constexpr TColour clBlack = 0x000000;
inline constexpr TColour clWhite = 0xFFFFFF;
inline constexpr TColour clNone = 0x1FFFFFFF;
// Palette-index forms.
inline constexpr TColour PaletteIndexFlag = 0x01000000;
inline constexpr TColour PaletteRgbFlag = 0x02000000;
// The light grey of the default palette (entry 7), used for grids.
inline constexpr TColour clPaletteGrey = PaletteIndexFlag | 7;

// System colours (negative: the high bit set, the index in the low byte).
inline constexpr TColour clSystemFlag = static_cast<TColour>(0x80000000u);
inline constexpr TColour clHighlight = clSystemFlag | 13;
inline constexpr TColour clHighlightText = clSystemFlag | 14;
inline constexpr TColour clBtnFace = clSystemFlag | 15;
inline constexpr TColour clWindow = clSystemFlag | 5;
inline constexpr TColour clWindowText = clSystemFlag | 8;
inline constexpr TColour clGrayText = clSystemFlag | 17;

// The colour value of the components (each 0 to 255).
[[nodiscard]] constexpr TColour RgbColour(int red, int green, int blue)
{
    return static_cast<TColour>((red & 0xFF) | ((green & 0xFF) << 8) | ((blue & 0xFF) << 16));
}
// The palette-index form of a default-palette entry.
[[nodiscard]] constexpr TColour PaletteIndex(int index)
{
    return PaletteIndexFlag | (index & 0xFFFF);
}

// The number of entries of the default palette.
inline constexpr int DefaultPaletteSize = 20;
// Entry index of the default palette as an RGB colour value (black beyond the table).
[[nodiscard]] TColour DefaultPaletteEntry(int index);

// The plain RGB value a colour value stands for: palette entries and system
// colours are looked up, the palette-relative form loses its flag.
[[nodiscard]] TColour ResolveColour(TColour colour);
[[nodiscard]] QColor ToQColor(TColour colour);
// The RGB colour value of a QColor (alpha dropped).
[[nodiscard]] TColour FromQColor(const QColor& colour);

[[nodiscard]] constexpr int RedOf(TColour rgb)
{
    return rgb & 0xFF;
}
[[nodiscard]] constexpr int GreenOf(TColour rgb)
{
    return (rgb >> 8) & 0xFF;
}
[[nodiscard]] constexpr int BlueOf(TColour rgb)
{
    return (rgb >> 16) & 0xFF;
}
