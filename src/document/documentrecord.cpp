#include "document/documentrecord.h"

#include "plot/curveplotter.h"
#include "settings/mathswriter.h"

void TKeptRecord::AddText(std::string_view text)
{
    if (!pieces_.empty() && !pieces_.back().isReference)
        pieces_.back().text.append(text);
    else
        pieces_.push_back(TPiece{std::string(text), false, nullptr});
}

void TKeptRecord::AddReference(TEquationObject* line)
{
    pieces_.push_back(TPiece{{}, true, line});
}

void TKeptRecord::WriteTo(TMathsWriter& writer) const
{
    for (const TPiece& piece : pieces_) {
        if (!piece.isReference) {
            writer.WriteText(piece.text);
            continue;
        }
        const int index = piece.line && PlotHost ? PlotHost->LineIndexOf(piece.line) : -1;
        writer.WriteText(std::to_string(index));
    }
}

void TKeptRecord::DrawOnGraph(Canvas&, TGraphParams&) {}

TEquationObject* TKeptRecord::GetParent() const
{
    for (const TPiece& piece : pieces_)
        if (piece.isReference)
            return piece.line;
    return nullptr;
}

void TKeptRecord::SetParent(TEquationObject* parent)
{
    for (TPiece& piece : pieces_) {
        if (piece.isReference) {
            piece.line = parent;
            return;
        }
    }
}

void TKeptRecord::ReplaceReference(const TEquationObject* from, TEquationObject* to)
{
    for (TPiece& piece : pieces_)
        if (piece.isReference && piece.line == from)
            piece.line = to;
}
