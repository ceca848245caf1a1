#include "platform/colour.h"

#include <QGuiApplication>
#include <QPalette>

#include <array>

namespace {

// The platform's default 20-colour palette, in its fixed order: the 16
// standard colours with the four reserved ones after the first eight.
constexpr std::array<TColour, DefaultPaletteSize> DefaultPalette{
    RgbColour(0, 0, 0),       RgbColour(128, 0, 0),     RgbColour(0, 128, 0),     RgbColour(128, 128, 0),
    RgbColour(0, 0, 128),     RgbColour(128, 0, 128),   RgbColour(0, 128, 128),   RgbColour(192, 192, 192),
    RgbColour(192, 220, 192), RgbColour(166, 202, 240), RgbColour(255, 251, 240), RgbColour(160, 160, 164),
    RgbColour(128, 128, 128), RgbColour(255, 0, 0),     RgbColour(0, 255, 0),     RgbColour(255, 255, 0),
    RgbColour(0, 0, 255),     RgbColour(255, 0, 255),   RgbColour(0, 255, 255),   RgbColour(255, 255, 255),
};

TColour SystemColour(int index)
{
    // Without an application object (tools) the classic defaults serve.
    const bool hasApplication = QGuiApplication::instance() != nullptr;
    const QPalette palette = hasApplication ? QGuiApplication::palette() : QPalette();
    auto role = [&](QPalette::ColorRole r, TColour fallback) {
        return hasApplication ? FromQColor(palette.color(r)) : fallback;
    };
    switch (index) {
    case 5:
        return role(QPalette::Base, clWhite); // window
    case 8:
        return role(QPalette::Text, clBlack); // window text
    case 13:
        return role(QPalette::Highlight, RgbColour(0, 0, 128)); // highlight
    case 14:
        return role(QPalette::HighlightedText, clWhite); // highlight text
    case 15:
        return role(QPalette::Button, RgbColour(192, 192, 192)); // button face
    case 16:
        return role(QPalette::Mid, RgbColour(128, 128, 128)); // button shadow
    case 17:
        return RgbColour(128, 128, 128); // grey text
    case 18:
        return role(QPalette::ButtonText, clBlack); // button text
    case 20:
        return role(QPalette::Light, clWhite); // button highlight
    case 23:
        return role(QPalette::ToolTipText, clBlack); // info text
    case 24:
        return role(QPalette::ToolTipBase, RgbColour(255, 255, 225)); // info background
    default:
        return clBlack;
    }
}

} // namespace

TColour DefaultPaletteEntry(int index)
{
    if (index < 0 || index >= DefaultPaletteSize)
        return clBlack;
    return DefaultPalette[static_cast<std::size_t>(index)];
}

TColour ResolveColour(TColour colour)
{
    if (colour < 0)
        return SystemColour(colour & 0xFF);
    switch (static_cast<std::uint32_t>(colour) >> 24) {
    case 0:
        return colour;
    case 1:
        return DefaultPaletteEntry(colour & 0xFFFF);
    default:
        return colour & 0xFFFFFF; // palette-relative RGB: a true-colour device shows it as is
    }
}

QColor ToQColor(TColour colour)
{
    const TColour rgb = ResolveColour(colour);
    return QColor(RedOf(rgb), GreenOf(rgb), BlueOf(rgb));
}

TColour FromQColor(const QColor& colour)
{
    const QColor c = colour.toRgb();
    return RgbColour(c.red(), c.green(), c.blue());
}
