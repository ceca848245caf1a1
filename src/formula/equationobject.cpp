#include "formula/equationobject.h"

#include "settings/configuration.h"
#include "settings/mathswriter.h"

#include "formula/editor.h"
#include "formula/markup.h"

#include <QFont>

#include <array>
#include <unordered_set>

namespace {

// Entries of the default 20-colour palette: black, blue, red, dark red, dark
// green, olive, navy, purple, teal, grey.
constexpr std::array<int, 10> CurvePaletteIndexes = {0, 16, 13, 1, 2, 3, 4, 5, 6, 12};

// For a projector (high contrast): no two neighbours share a hue or come
// near in lightness: black, orange, blue, green, red, teal, purple, pink,
// dark green, sky blue.
constexpr std::array<std::array<int, 3>, 10> HighContrastColours = {{{0, 0, 0},
                                                                     {240, 130, 0},
                                                                     {0, 0, 220},
                                                                     {0, 175, 0},
                                                                     {220, 0, 0},
                                                                     {0, 160, 170},
                                                                     {110, 0, 170},
                                                                     {250, 90, 190},
                                                                     {0, 90, 0},
                                                                     {0, 130, 230}}};

} // namespace

TColour CurveColour(int n)
{
    const int size = static_cast<int>(CurvePaletteIndexes.size());
    const auto entry = static_cast<std::size_t>(((n % size) + size) % size);
    if (HighContrast) {
        const auto& [r, g, b] = HighContrastColours[entry];
        return RgbColour(r, g, b);
    }
    return PaletteIndex(CurvePaletteIndexes[entry]);
}

TEquationObject::TEquationObject() : elements_(new TEditorObject) {}

TEquationObject::~TEquationObject() = default;

void TEquationObject::SetParent(TEquationObject*) {}

std::unique_ptr<TEditor> TEquationObject::ToEditor()
{
    return nullptr;
}

void TEquationObject::TakeOver(TEquationObject& other)
{
    if (&other == this)
        return;
    elements_ = other.TakeElements();
    other.SetElements(TElementList(new TEditorObject));
    colour = other.colour;
    style = other.style;
    switches_ = other.switches_;
    thickness = other.thickness;
    height = other.height;
    raise = other.raise;
    width = other.width;
    extra = other.extra;
    leftMargin = other.leftMargin;
    if (other.marker)
        marker = true;
    SetParent(other.GetParent());
    TLineMargins margins;
    other.GetMargins(margins);
    SetMargins(margins);
    SetFont(other.font_.release());
}

void TEquationObject::ShowDragHandles(bool) {}

bool TEquationObject::SwapFormula(TEquationObject&)
{
    return false;
}

void TEquationObject::GetMargins(TLineMargins& margins) const
{
    margins = TLineMargins{};
}

void TEquationObject::SetMargins(const TLineMargins&) {}

bool TEquationObject::UsesName(const TEquationObject&) const
{
    return false;
}

bool TEquationObject::CompareWith(const TEquationObject&, const TGraphParams&) const
{
    return true;
}

std::uint32_t TEquationObject::Capabilities() const
{
    std::uint32_t capabilities = 3;
    if (HasProperty(0x200000))
        capabilities += 0x8000;
    if (HasProperty(0x400000))
        capabilities += 0x10000;
    return capabilities;
}

void TEquationObject::StartTransformDrag(int) {}

void TEquationObject::SetSwitch(std::uint16_t mask, bool on)
{
    switches_ = static_cast<std::uint16_t>(on ? (switches_ | mask) : (switches_ & ~mask));
}

void TEquationObject::Recalculate() {}

void TEquationObject::MouseFiguresChanged() {}

void TEquationObject::SetFont(QFont* font)
{
    font_.reset(font);
}

bool TEquationObject::DependsOnObject(const TEquationObject* object) const
{
    if (!object)
        return false;
    std::unordered_set<const TEquationObject*> visited{this};
    for (const TEquationObject* parent = GetParent(); parent; parent = parent->GetParent()) {
        if (parent == object)
            return true;
        if (!visited.insert(parent).second)
            return false;
    }
    return false;
}

bool TEquationObject::Involves(const TEquationObject* object) const
{
    if (!object)
        return false;
    std::unordered_set<const TEquationObject*> visited;
    for (const TEquationObject* current = this; current; current = current->GetSource()) {
        if (!visited.insert(current).second)
            return false;
        if (current->DependsOnObject(object))
            return true;
        if (current != this && current == object)
            return true;
    }
    return false;
}

bool TEquationObject::ConvertTextLine(Canvas&)
{
    if (!ConvertTextList(elements_))
        return false;
    SetLayoutOutOfDate(true);
    return true;
}

void TEquationObject::WriteLook(TMathsWriter& writer) const
{
    writer.WriteLine("\tcolour = " + std::to_string(colour));
    writer.WriteLine("\tstyle = " + std::to_string(style));
    writer.WriteLine("\tSwitches = " + std::to_string(Switches()));
    writer.WriteLine("\tLine thickness = " + std::to_string(thickness));
}
