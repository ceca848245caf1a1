#include "geometry/coordrows.h"

#include "formula/descriptions.h"
#include "formula/editor.h"
#include "formula/formulalayout.h"
#include "geometry/bestfit.h"
#include "geometry/coordinates.h"
#include "platform/codepage.h"
#include "platform/symbolfont.h"

#include <cctype>

bool TCoordRowsElement::TidySelf(TEditor*, int mode)
{
    // Counts as empty when asked whether the line holds anything, but is never removed.
    return mode == tmTest;
}

void TCoordRowsElement::Measure(TMeasureRecord& record)
{
    layoutX = record.width;
    layoutHeight = CurrentHeight;
    belowTextRow_ = record.height - record.raise;
    rowTops_.assign(rows_.size(), 0);
    rowRaises_.assign(rows_.size(), 0);
    int top = 0;
    int widest = 0;
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        TMeasureRecord row{CurrentHeight, 0, 0, 0};
        MeasureList(rows_[i].get(), row);
        rowTops_[i] = top;
        rowRaises_[i] = row.raise;
        top += row.height;
        widest = std::max(widest, row.width);
    }
    record.height += top;
    layoutWidth = std::max(0, Indent + widest - record.width);
    record.width += layoutWidth;
}

void TCoordRowsElement::Paint(Canvas& canvas, TPaintContext& context)
{
    const QPoint at = canvas.PenPos();
    const int left = at.x() - layoutX + Indent;
    const int first = at.y() + belowTextRow_;
    const QRect visible = canvas.ClipBox();
    for (std::size_t i = 0; i < rows_.size() && i < rowTops_.size(); ++i) {
        const int top = first + rowTops_[i];
        const int bottom = i + 1 < rowTops_.size() ? first + rowTops_[i + 1] : top + 4 * CurrentHeight;
        // Long lists paint only the rows that show.
        if (bottom < visible.top() || top > visible.bottom())
            continue;
        canvas.MoveTo(left, top + rowRaises_[i]);
        PaintList(canvas, context, rows_[i].get());
    }
    canvas.MoveTo(at.x() + layoutWidth, at.y());
}

// ---- rows of the editor ----------------------------------------------------------------

TCoordRowLine::TCoordRowLine(const TBlankCoordinates& row)
    : point_(dynamic_cast<const TCoordinates*>(&row) != nullptr)
{
    SetElements(row.DisplayElements());
}

void TCoordRowLine::DrawOnGraph(Canvas&, TGraphParams&) {}

std::unique_ptr<TEditor> TCoordRowLine::ToEditor()
{
    const bool blank = !point_;
    if (blank) {
        TElementList list(new TEditorObject);
        list->next = new TTabbedCoordEditObject;
        SetElements(std::move(list));
    }
    auto editor = std::make_unique<TEditor>();
    editor->TakeOver(*this);
    editor->modified = blank;
    // The caret waits in the x part.
    for (TEditorObject* e = editor->Elements(); e; e = e->next)
        if (auto* point = dynamic_cast<TCoordEditObject*>(e)) {
            editor->SetCaret(point->Cell(0), 0);
            break;
        }
    return editor;
}

// ---- plain text ----------------------------------------------------------------------

namespace {

void AppendList(std::string& out, const TEditorObject* list);

std::string ListText(const TEditorObject* list)
{
    std::string text;
    AppendList(text, list);
    return text;
}

// A part that is more than one symbol goes in brackets after ^ and around a fraction's parts.
std::string Grouped(const std::string& text)
{
    bool simple = !text.empty();
    for (unsigned char c : text)
        if (!(std::isalnum(c) || c == '.' || c >= 0x80))
            simple = false;
    return simple ? text : "(" + text + ")";
}

void AppendUnicode(std::string& out, char16_t c)
{
    out += QString(QChar(c)).toStdString();
}

void AppendElement(std::string& out, const TEditorObject* e)
{
    if (IsAnchor(e))
        return;
    if (const auto* run = dynamic_cast<const TStringEditObject*>(e)) {
        out += AnsiToQString(run->Text()).toStdString();
    } else if (const auto* symbol = dynamic_cast<const TSpecialChar*>(e)) {
        AppendUnicode(out, SymbolToUnicode(static_cast<unsigned char>(symbol->Character())));
    } else if (dynamic_cast<const TEditTabObject*>(e)) {
        out += ' ';
    } else if (const auto* description = dynamic_cast<const TFixedDescription*>(e)) {
        const int number = description->DescriptionNumber();
        // The unit marks read as the raised letters they are: ^o and ^r.
        if (number == dnDegrees || number == dnRadians)
            out += number == dnDegrees ? "^o" : "^r";
        else
            out += AnsiToQString(DescriptionText(number)).toStdString();
    } else if (const auto* rows = dynamic_cast<const TCoordRowsElement*>(e)) {
        for (int i = 0; i < rows->RowCount(); ++i) {
            out += ' ';
            AppendList(out, rows->Row(i));
        }
    } else if (const auto* point = dynamic_cast<const TCoordEditObject*>(e)) {
        if (ListIsEmpty(point->Cell(0)) && ListIsEmpty(point->Cell(1)))
            out += "(,)";
        else
            out += "(" + ListText(point->Cell(0)) + "," + ListText(point->Cell(1)) + ")";
    } else if (const auto* fraction = dynamic_cast<const TFractionObject*>(e)) {
        out += Grouped(ListText(fraction->Cell(0))) + "/" + Grouped(ListText(fraction->Cell(1)));
    } else if (const auto* index = dynamic_cast<const TSuperscriptEditObject*>(e)) {
        const std::string inner = ListText(index->Cell(0));
        // An angle mark stands raised after its number.
        if (inner == "\u00B0" || inner == "r")
            out += inner;
        else
            out += "^" + Grouped(inner);
    } else if (const auto* root = dynamic_cast<const TSquareRootEditObject*>(e)) {
        AppendUnicode(out, u'\u221A');
        out += "(" + ListText(root->Cell(0)) + ")";
    } else if (const auto* stats = dynamic_cast<const TDisplayStatsEditor*>(e)) {
        // The rows of a statistics line read on, as one text.
        for (int i = 0; i < stats->CellCount(); ++i)
            AppendList(out, stats->Cell(i));
    } else if (const auto* fields = dynamic_cast<const TFixedList*>(e)) {
        std::string joined;
        for (int i = 0; i < fields->CellCount(); ++i) {
            const std::string field = ListText(fields->Cell(i));
            if (field.empty())
                continue;
            if (!joined.empty())
                joined += ' ';
            joined += field;
        }
        out += joined;
    } else if (const auto* grid = dynamic_cast<const TSublistsEditObject*>(e)) {
        // A matrix: in brackets, rows apart by "; ", cells in a row by ", ".
        out += '(';
        for (int i = 0; i < grid->CellCount(); ++i) {
            if (i > 0)
                out += (grid->Columns() > 0 && i % grid->Columns() == 0) ? "; " : ", ";
            out += ListText(grid->Cell(i));
        }
        out += ')';
    }
}

void AppendList(std::string& out, const TEditorObject* list)
{
    for (const TEditorObject* e = list; e; e = e->next) {
        if (!dynamic_cast<const TFixedList*>(e)) {
            AppendElement(out, e);
            continue;
        }
        // The steps of a transformation line are fields lists side by side,
        // a blank apart; a list that starts with its own blank or colon (a
        // best fit's information after its heading) follows straight on.
        std::string text;
        AppendElement(text, e);
        if (!out.empty() && out.back() != ' ' && !text.empty() && text.front() != ' ' && text.front() != ':')
            out += ' ';
        out += text;
    }
}

} // namespace

std::string PlainLineText(const TEditorObject* list)
{
    return ListText(list);
}
