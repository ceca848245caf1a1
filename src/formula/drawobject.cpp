#include "formula/drawobject.h"

#include <QFont>

bool TCalculatedObject::DependsOn(std::string_view) const { return false; }

TDrawObject::~TDrawObject() = default;

void TDrawObject::Paint(Canvas&, TPaintContext&) {}

void TDrawObject::SetFont(QFont* font) { delete font; }

int TParseObject::GetToken(TParseParams&, const char*& text, TEvaluator*& tree)
{
    text = nullptr;
    tree = nullptr;
    return 1;
}
