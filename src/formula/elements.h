// Formula elements: the linked list that holds one formula line in
// two-dimensional notation (text runs, special symbols, tabs, fixed
// descriptions, and structured elements with cells: fractions, indices,
// square roots, matrices, field lists, coordinates). Every list starts with
// an anchor (a plain TEditorObject); every element owns its successor, and
// lists are freed in a loop so that long lists cannot overflow the stack.
#pragma once

#include "formula/drawobject.h"

#include <QPoint>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TEditor;
class TMathsWriter;
class TEvaluator;
class Canvas;
struct TMeasureRecord;
struct TCellLayout;
struct TPaintContext;

// Element property bits.
enum : std::uint32_t {
    pfTextRun = 0x1,
    pfFieldList = 0x2000,
    pfInputGrid = 0x4000,
};

// Tidy modes: after pasting or taking up a line; when a line is finished
// (anchors removed); testing for emptiness (nothing removed); replacing the
// input from outside.
enum TTidyMode : int { tmPaste = 0, tmFinish = 1, tmTest = 2, tmReplace = 3 };

class TEditorObject : public TParseObject {
public:
    TEditorObject() = default;
    ~TEditorObject() override; // frees the successors in a loop

    void WriteTo(TMathsWriter& writer) const override;
    int GetToken(TParseParams& params, const char*& text, TEvaluator*& tree) override;

    // Answers whether the element may be removed; may change the element
    // and its successors (merging runs, tidying cells).
    virtual bool TidySelf(TEditor* line, int mode);
    // The description number of a description, 0 otherwise.
    [[nodiscard]] virtual int DescriptionNumber() const { return 0; }
    // The kind of object named by the first fixed description in the list
    // starting here, or 0.
    [[nodiscard]] virtual int DescribedKind() const;
    // This element when it is element or holds it in its cells, at any depth;
    // nullptr otherwise.
    [[nodiscard]] virtual TEditorObject* Find(TEditorObject* element);

    // Adds the element's extent to record at the current height and records
    // the element's place (layoutX: the width measured so far) and width.
    virtual void Measure(TMeasureRecord& record);
    // Draws the element at the pen and leaves the pen after it.
    void Paint(Canvas& canvas, TPaintContext& context) override;
    // The x of a caret offset, relative to the element's start.
    [[nodiscard]] virtual int CaretX(int offset) const { return offset > 0 ? layoutWidth : 0; }
    // The caret offset nearest to x (relative to the element's start).
    [[nodiscard]] virtual int OffsetAt(int x) const;

    // Layout of the last measure: the x of the element's start relative to
    // the start of its list, its width, and the font height it was measured in.
    int layoutX = 0;
    int layoutWidth = 0;
    int layoutHeight = 0;

    // The successor; owned.
    TEditorObject* next = nullptr;

    // Unlinks and returns the successor without freeing it.
    [[nodiscard]] TEditorObject* DetachNext()
    {
        TEditorObject* n = next;
        next = nullptr;
        return n;
    }
};

// Frees a whole list (nullptr allowed).
void FreeList(TEditorObject* list);

// Owning handle of a whole list.
struct TListDeleter {
    void operator()(TEditorObject* list) const { FreeList(list); }
};
using TElementList = std::unique_ptr<TEditorObject, TListDeleter>;

// The last element of a list (nullptr for nullptr).
[[nodiscard]] TEditorObject* LastElement(TEditorObject* list);
// True when the list is only an anchor (or nothing).
[[nodiscard]] bool ListIsEmpty(const TEditorObject* list);
// True when element is an anchor: an instance of the plain TEditorObject.
[[nodiscard]] bool IsAnchor(const TEditorObject* element);
// Writes the markup of every element of the list in turn.
void WriteElementList(const TEditorObject* list, TMathsWriter& writer);

class TStringEditObject : public TEditorObject {
public:
    static constexpr std::size_t CapacityStep = 80;
    explicit TStringEditObject(std::string_view text = {});

    void WriteTo(TMathsWriter& writer) const override;
    int GetToken(TParseParams& params, const char*& text, TEvaluator*& tree) override;
    [[nodiscard]] int PositionCount() const override { return static_cast<int>(text_.size()); }
    [[nodiscard]] std::uint32_t PropertyFlags() const override { return pfTextRun; }
    bool TidySelf(TEditor* line, int mode) override;
    void Measure(TMeasureRecord& record) override;
    void Paint(Canvas& canvas, TPaintContext& context) override;
    [[nodiscard]] int CaretX(int offset) const override;
    [[nodiscard]] int OffsetAt(int x) const override;

    [[nodiscard]] const std::string& Text() const { return text_; }
    void SetText(std::string_view text);
    void Append(std::string_view text);
    // Inserts text at offset (clamped to the run), growing the buffer.
    void Insert(int offset, std::string_view text);
    // Removes the characters from offset from to offset to (clamped).
    void Erase(int from, int to);
    // Always a multiple of 80 bytes, at least 80.
    [[nodiscard]] std::size_t Capacity() const { return capacity_; }

private:
    void Reserve(std::size_t length);
    std::size_t capacity_ = CapacityStep;
    std::string text_;
};

// One symbol of the Symbol font: "p" pi, "q" theta, 0xB1 ±, 0xB4 ×, 0xA3 ≤,
// 0xB3 ≥, "<", ">".
class TSpecialChar : public TEditorObject {
public:
    explicit TSpecialChar(char character) : character_(character) {}
    void WriteTo(TMathsWriter& writer) const override;
    int GetToken(TParseParams& params, const char*& text, TEvaluator*& tree) override;
    [[nodiscard]] int PositionCount() const override { return 1; }
    bool TidySelf(TEditor* line, int mode) override;
    void Measure(TMeasureRecord& record) override;
    void Paint(Canvas& canvas, TPaintContext& context) override;
    [[nodiscard]] char Character() const { return character_; }

private:
    char character_;
};

// The token a special character stands for (111 pi, 303 theta, ...; 1 for
// any other).
[[nodiscard]] int SpecialCharToken(char character);

class TEditTabObject : public TEditorObject {
public:
    void WriteTo(TMathsWriter& writer) const override;
    int GetToken(TParseParams& params, const char*& text, TEvaluator*& tree) override;
    [[nodiscard]] int PositionCount() const override { return 1; }
    bool TidySelf(TEditor* line, int mode) override;
    void Measure(TMeasureRecord& record) override;
};

class TFixedDescription : public TEditorObject {
public:
    explicit TFixedDescription(int number) : number_(static_cast<std::uint16_t>(number)) {}
    void WriteTo(TMathsWriter& writer) const override;
    int GetToken(TParseParams& params, const char*& text, TEvaluator*& tree) override;
    [[nodiscard]] int PositionCount() const override { return 1; }
    bool TidySelf(TEditor* line, int mode) override;
    [[nodiscard]] int DescriptionNumber() const override { return number_; }
    [[nodiscard]] int DescribedKind() const override;
    void Measure(TMeasureRecord& record) override;
    void Paint(Canvas& canvas, TPaintContext& context) override;

private:
    std::uint16_t number_;
};

// A description that cannot hold the caret.
class TLockedDescription : public TFixedDescription {
public:
    using TFixedDescription::TFixedDescription;
};

// Holds a ready evaluation tree and writes the tree's markup.
class TEvaluatorStorer : public TEditorObject {
public:
    explicit TEvaluatorStorer(std::unique_ptr<TEvaluator> tree);
    ~TEvaluatorStorer() override;
    void WriteTo(TMathsWriter& writer) const override;
    [[nodiscard]] TEvaluator* Tree() const { return tree_.get(); }

private:
    std::unique_ptr<TEvaluator> tree_;
};

class TBlankLine : public TEditorObject {
public:
    void Measure(TMeasureRecord& record) override;
    void Paint(Canvas& canvas, TPaintContext& context) override;
};

// One cell of a structured element: its list (starting with an anchor
// unless the line was finished) and four layout values.
struct TSubList {
    TEditorObject* list = nullptr; // owned
    std::int32_t height = 0, raise = 0, width = 0, extra = 0;
    // Filled by the layout: the cell's text-row origin relative to the
    // element's origin on its text row, and the cell's font height.
    std::int32_t dx = 0, dy = 0, fontHeight = 0;
};

class TSublistsEditObject : public TEditorObject {
public:
    // Creates one empty anchor per cell of the given dimensions (rows in the
    // low byte, columns in the high byte).
    explicit TSublistsEditObject(std::uint16_t dimensions = 0x0101);
    ~TSublistsEditObject() override;

    void WriteTo(TMathsWriter& writer) const override;
    [[nodiscard]] int PositionCount() const override { return 2; }
    bool TidySelf(TEditor* line, int mode) override;
    [[nodiscard]] TEditorObject* Find(TEditorObject* element) override;
    void Measure(TMeasureRecord& record) override;
    void Paint(Canvas& canvas, TPaintContext& context) override;
    [[nodiscard]] int CaretX(int offset) const override { return offset >= 2 ? layoutWidth : 0; }
    [[nodiscard]] int OffsetAt(int x) const override { return x * 2 >= layoutWidth ? 2 : 0; }

    // The layout of one cell from its measured record (gaps, vertical
    // offset, font height, flags); the base lays a cell on the text row in
    // the current height.
    virtual void CellLayout(int index, TCellLayout& layout);
    // Draws what surrounds the cells (bars, brackets, radical signs) for an
    // element whose text-row origin is origin and whose width is width.
    virtual void Decorate(Canvas& canvas, QPoint origin, int width);
    // Draws between column column and the next one, at x on the text row.
    virtual void Separator(Canvas& canvas, int column, QPoint at);
    // The width of a cell with its empty box.
    [[nodiscard]] int CellWidth(int index) const;

    // Rows in the low byte, columns in the high byte.
    [[nodiscard]] virtual std::uint16_t Dimensions() const;
    [[nodiscard]] virtual bool IsOneUnit() const { return true; }
    [[nodiscard]] int Rows() const { return Dimensions() & 0xFF; }
    [[nodiscard]] int Columns() const { return (Dimensions() >> 8) & 0xFF; }
    [[nodiscard]] int CellCount() const { return static_cast<int>(cells_.size()); }
    // The list of a cell in row-major order; borrowed.
    [[nodiscard]] TEditorObject* Cell(int index) const
    {
        return cells_[static_cast<std::size_t>(index)].list;
    }
    // Replaces the list of a cell, taking ownership of list and freeing the old one.
    void SetCell(int index, TEditorObject* list);
    [[nodiscard]] TSubList& CellRecord(int index) { return cells_[static_cast<std::size_t>(index)]; }
    [[nodiscard]] const TSubList& CellRecord(int index) const
    {
        return cells_[static_cast<std::size_t>(index)];
    }
    // Hands the lists of every cell to pending (which then owns them) and
    // leaves the cells without lists; lets FreeList free nested cells in a loop.
    void DetachCells(std::vector<TEditorObject*>& pending);

    bool valid = true;

protected:
    // Makes the cell table match Dimensions(); used by subclasses whose
    // dimensions are stored fields.
    void ResizeCells();
    // Writes "{" + cell + "}" for every cell.
    void WriteCells(TMathsWriter& writer) const;
    // The full layout of a cell: CellLayout plus the empty box's width.
    TCellLayout FullCellLayout(int index);

private:
    std::vector<TSubList> cells_;
    // Right ends of the columns relative to the element's start.
    std::vector<int> columnEnds_;
};

class TObjectListEditObject : public TSublistsEditObject {
public:
    TObjectListEditObject() : TSublistsEditObject(0x0101) {}
    int GetToken(TParseParams& params, const char*& text, TEvaluator*& tree) override;

protected:
    explicit TObjectListEditObject(std::uint16_t dimensions) : TSublistsEditObject(dimensions) {}
};

class TSmallFontSubList : public TObjectListEditObject {
public:
    TSmallFontSubList() = default;

protected:
    explicit TSmallFontSubList(std::uint16_t dimensions) : TObjectListEditObject(dimensions) {}
};

class TFractionObject : public TSmallFontSubList {
public:
    TFractionObject() : TSmallFontSubList(0x0102) {}
    [[nodiscard]] std::string_view TagName() const override { return "/"; }
    [[nodiscard]] std::uint16_t Dimensions() const override { return 0x0102; }
    int GetToken(TParseParams& params, const char*& text, TEvaluator*& tree) override;
    void CellLayout(int index, TCellLayout& layout) override;
    void Decorate(Canvas& canvas, QPoint origin, int width) override;
};

class TSuperscriptEditObject : public TSmallFontSubList {
public:
    TSuperscriptEditObject() : TSmallFontSubList(0x0101) {}
    [[nodiscard]] std::string_view TagName() const override { return "^"; }
    int GetToken(TParseParams& params, const char*& text, TEvaluator*& tree) override;
    void CellLayout(int index, TCellLayout& layout) override;
    // How far the index's text row lies below the element's text row
    // (negative: above), from the index's measured height and raise.
    [[nodiscard]] virtual int IndexRaise() const;
};

class TMatrixEditObject : public TSmallFontSubList {
public:
    TMatrixEditObject(int rows, int columns);
    void WriteTo(TMathsWriter& writer) const override;
    [[nodiscard]] std::uint16_t Dimensions() const override { return dimensions_; }
    [[nodiscard]] std::uint32_t PropertyFlags() const override { return pfInputGrid; }
    [[nodiscard]] bool IsOneUnit() const override { return false; }
    int GetToken(TParseParams& params, const char*& text, TEvaluator*& tree) override;
    void CellLayout(int index, TCellLayout& layout) override;
    void Decorate(Canvas& canvas, QPoint origin, int width) override;

private:
    std::uint16_t dimensions_;
};

class TSquareRootEditObject : public TObjectListEditObject {
public:
    TSquareRootEditObject() = default;
    [[nodiscard]] std::string_view TagName() const override { return "sqrt"; }
    int GetToken(TParseParams& params, const char*& text, TEvaluator*& tree) override;
    void CellLayout(int index, TCellLayout& layout) override;
    void Decorate(Canvas& canvas, QPoint origin, int width) override;
};

// A row of fields; the layout mask marks the fields that hold descriptions.
class TFixedList : public TSublistsEditObject {
public:
    static constexpr int MaxFields = 6;
    TFixedList(int count, int mask);
    void WriteTo(TMathsWriter& writer) const override;
    [[nodiscard]] std::uint16_t Dimensions() const override;
    [[nodiscard]] std::uint32_t PropertyFlags() const override { return pfFieldList | 8; }
    [[nodiscard]] bool IsOneUnit() const override { return false; }
    bool TidySelf(TEditor* line, int mode) override;
    int GetToken(TParseParams& params, const char*& text, TEvaluator*& tree) override;
    void CellLayout(int index, TCellLayout& layout) override;
    [[nodiscard]] int FieldCount() const { return count_; }
    [[nodiscard]] int LayoutMask() const { return mask_; }

private:
    std::uint8_t count_;
    std::uint8_t mask_;
};

// Display-only field list; never stored.
class TDisplayInfo : public TFixedList {
public:
    TDisplayInfo() : TFixedList(1, 0) {}
    void WriteTo(TMathsWriter& writer) const override;
    void Measure(TMeasureRecord& record) override;
    void Paint(Canvas& canvas, TPaintContext& context) override;
};

class TCoordEditObject : public TSublistsEditObject {
public:
    TCoordEditObject() : TSublistsEditObject(0x0201) {}
    void WriteTo(TMathsWriter& writer) const override;
    [[nodiscard]] std::uint16_t Dimensions() const override { return 0x0201; }
    [[nodiscard]] std::uint32_t PropertyFlags() const override { return pfInputGrid; }
    [[nodiscard]] bool IsOneUnit() const override { return false; }
    int GetToken(TParseParams& params, const char*& text, TEvaluator*& tree) override;
    void CellLayout(int index, TCellLayout& layout) override;
    void Decorate(Canvas& canvas, QPoint origin, int width) override;
    void Separator(Canvas& canvas, int column, QPoint at) override;
};
