// The tokens that formula elements hand the parser. Structured elements
// parse their cells with the parser's own state, so a fraction arrives as a
// ready division tree and an index as its exponent tree.
#include "expr/matrix.h"
#include "expr/parser.h"
#include "formula/descriptions.h"
#include "formula/elements.h"

#include <typeinfo>

int TEditorObject::GetToken(TParseParams&, const char*& text, TEvaluator*& tree)
{
    text = nullptr;
    tree = nullptr;
    return tkBlank;
}

int TStringEditObject::GetToken(TParseParams&, const char*& text, TEvaluator*& tree)
{
    text = text_.c_str();
    tree = nullptr;
    return tkBlank;
}

int SpecialCharToken(char character)
{
    switch (static_cast<unsigned char>(character)) {
    case 'p':
        return tkPi;
    case 'q':
        return vcTheta;
    case 0xB1:
        return tkPlusOrMinus;
    case 0xB4:
        return tkTimes;
    case 0xA3:
        return tkLessEqual;
    case 0xB3:
        return tkGreaterEqual;
    case '<':
        return tkLess;
    case '>':
        return tkGreater;
    default:
        return tkNothing;
    }
}

int TSpecialChar::GetToken(TParseParams&, const char*& text, TEvaluator*& tree)
{
    text = nullptr;
    tree = nullptr;
    return SpecialCharToken(character_);
}

int TEditTabObject::GetToken(TParseParams&, const char*& text, TEvaluator*& tree)
{
    text = nullptr;
    tree = nullptr;
    return tkTab;
}

int TFixedDescription::GetToken(TParseParams& params, const char*& text, TEvaluator*& tree)
{
    text = nullptr;
    tree = nullptr;
    if (!params.wordsAllowed)
        return tkDescription;
    const int token = DescriptionToken(number_);
    return token == 0 ? tkDescription : token;
}

int TObjectListEditObject::GetToken(TParseParams& params, const char*& text, TEvaluator*& tree)
{
    text = nullptr;
    tree = ParseCell(params, Cell(0), this).release();
    return tkOperand;
}

int TFractionObject::GetToken(TParseParams& params, const char*& text, TEvaluator*& tree)
{
    text = nullptr;
    TEvaluatorPtr numerator = ParseCell(params, Cell(0), this);
    TEvaluatorPtr denominator = ParseCell(params, Cell(1), this);
    tree = new TDivideEvaluator(std::move(numerator), std::move(denominator));
    return tkOperand;
}

int TSuperscriptEditObject::GetToken(TParseParams& params, const char*& text, TEvaluator*& tree)
{
    text = nullptr;
    tree = ParseCell(params, Cell(0), this).release();
    return tkIndex;
}

int TSquareRootEditObject::GetToken(TParseParams& params, const char*& text, TEvaluator*& tree)
{
    text = nullptr;
    tree = new TFunctionEvaluator(220, ParseCell(params, Cell(0), this));
    return tkOperand;
}

int TMatrixEditObject::GetToken(TParseParams& params, const char*& text, TEvaluator*& tree)
{
    // Each cell is a formula of its own, with no variables; the first error
    // stops the reading, leaving the later cells without trees.
    text = nullptr;
    const int rows = Dimensions() & 0xFF;
    const int columns = (Dimensions() >> 8) & 0xFF;
    auto matrix = std::make_unique<TMatrix>(rows, columns);
    for (int index = 0; index < rows * columns && !HasError(params) && index < CellCount(); ++index) {
        TSubList& cell = CellRecord(index);
        if (!cell.list)
            cell.list = new TEditorObject;
        if (ListIsEmpty(cell.list)) {
            SetErrorAt(params, ParseMessage::EmptyCell, cell.list, 0);
            break;
        }
        if (params.depth > MaxParseDepth) {
            SetError(params, ParseMessage::NotUnderstood);
            break;
        }
        TParseParams inner;
        inner.declaredNames = params.declaredNames;
        inner.defineLater = params.defineLater;
        StartParse(inner, cell.list, 0, params.undefinedNames, true, EndOrTabTerminators());
        inner.depth = params.depth + 1;
        TEvaluatorPtr value = ParseExpression(inner);
        if (HasError(inner)) {
            params.error = inner.error;
            break;
        }
        matrix->Set(index / columns + 1, index % columns + 1, std::move(value));
    }
    tree = new TMatrixEvaluator(std::move(matrix));
    return tkMatrix;
}

int TFixedList::GetToken(TParseParams& params, const char*& text, TEvaluator*& tree)
{
    text = nullptr;
    tree = nullptr;
    if (params.wordsAllowed) {
        TEditorObject* first = Cell(0);
        // The first field's first real element (past its anchor, if any).
        while (first && typeid(*first) == typeid(TEditorObject))
            first = first->next;
        if (first) {
            const char* innerText = nullptr;
            TEvaluator* innerTree = nullptr;
            const int token = first->GetToken(params, innerText, innerTree);
            delete innerTree;
            return token;
        }
    }
    return tkDescription;
}

int TCoordEditObject::GetToken(TParseParams&, const char*& text, TEvaluator*& tree)
{
    // Coordinates are read by the point lists, not by formulas.
    text = nullptr;
    tree = nullptr;
    return tkCoordinates;
}
