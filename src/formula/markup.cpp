#include "formula/markup.h"

#include "formula/descriptions.h"
#include "settings/mathsreader.h"
#include "settings/mathswriter.h"

#include <algorithm>
#include <utility>
#include <vector>

void TClassStoreList::Add(std::string_view tag, std::function<std::unique_ptr<TDrawObject>()> create)
{
    classes_.push_back(TClassReference{std::string(tag), std::move(create)});
}

const TClassStoreList& ElementClasses()
{
    static const TClassStoreList classes = [] {
        TClassStoreList list;
        list.Register<TFractionObject>();
        list.Register<TSquareRootEditObject>();
        list.Register<TSuperscriptEditObject>();
        return list;
    }();
    return classes;
}

TClassStoreList& RecordClasses()
{
    static TClassStoreList classes;
    return classes;
}

namespace {

// Largest matrix and field list the markup may describe.
constexpr int MaxMatrixSize = 10;
constexpr int MaxFields = TFixedList::MaxFields;

// Builds a list by appending at its end.
class TListBuilder {
public:
    void Append(std::unique_ptr<TEditorObject> element)
    {
        TEditorObject* raw = element.release();
        if (tail_)
            tail_->next = raw;
        else
            head_.reset(raw);
        tail_ = raw;
    }
    [[nodiscard]] TElementList Take()
    {
        tail_ = nullptr;
        return std::move(head_);
    }

private:
    TElementList head_;
    TEditorObject* tail_ = nullptr;
};

class TMarkupParser {
public:
    explicit TMarkupParser(TMathsReader& reader) : reader_(reader) {}

    // One list up to the terminator; depth counts the cells around it. The
    // list is read in a loop: only nesting of cells recurses, and that is
    // bounded by MaxCellNesting.
    TElementList ReadList(char terminator, int depth)
    {
        TListBuilder list;
        std::string run;
        const auto finishRun = [&] {
            if (!run.empty()) {
                list.Append(std::make_unique<TStringEditObject>(run));
                run.clear();
            }
        };
        for (;;) {
            bool locked = false;
            if (const int number = MatchDescription(reader_, locked)) {
                finishRun();
                if (locked)
                    list.Append(std::make_unique<TLockedDescription>(number));
                else
                    list.Append(std::make_unique<TFixedDescription>(number));
                continue;
            }
            char c = 0;
            if (!reader_.ReadChar(c)) {
                // Only text held in memory may simply end.
                if (terminator != '\0')
                    throw eReaderror();
                finishRun();
                break;
            }
            if (c == '\t') {
                finishRun();
                list.Append(std::make_unique<TEditTabObject>());
            } else if (c == '{') {
                finishRun();
                list.Append(ReadElement(depth));
            } else if (c == terminator) {
                finishRun();
                if (terminator == '\r') {
                    char lineFeed = 0;
                    if (!reader_.ReadChar(lineFeed) || lineFeed != '\n')
                        throw eReaderror();
                }
                break;
            } else {
                run.push_back(c);
                // A longer run goes on in a new run, so nothing after it is lost.
                if (run.size() >= MaxMarkupRunLength)
                    finishRun();
            }
        }
        return list.Take();
    }

private:
    // The element after a "{".
    std::unique_ptr<TEditorObject> ReadElement(int depth)
    {
        if (reader_.MatchKeyword("Mtrx ")) {
            const std::string size = reader_.ReadBytes(2);
            int rows = static_cast<unsigned char>(size[0]);
            int columns = static_cast<unsigned char>(size[1]);
            if (reader_.VersionBelow("2"))
                std::swap(rows, columns); // older documents stored columns first
            if (rows < 1 || rows > MaxMatrixSize || columns < 1 || columns > MaxMatrixSize)
                throw eReaderror();
            auto matrix = std::make_unique<TMatrixEditObject>(rows, columns);
            ReadCells(*matrix, depth);
            return matrix;
        }
        if (reader_.MatchKeyword("fix ")) {
            const std::string layout = reader_.ReadBytes(2);
            const int count = static_cast<unsigned char>(layout[0]);
            const int mask = static_cast<unsigned char>(layout[1]);
            if (count < 1 || count > MaxFields)
                throw eReaderror();
            auto fields = std::make_unique<TFixedList>(count, mask);
            ReadCells(*fields, depth);
            return fields;
        }
        if (reader_.MatchKeyword("coords")) {
            auto point = std::make_unique<TCoordEditObject>();
            ReadCells(*point, depth);
            return point;
        }
        for (const TClassReference& reference : ElementClasses()) {
            if (reference.tag.empty() || !reader_.MatchKeyword(reference.tag))
                continue;
            std::unique_ptr<TDrawObject> object = reference.create();
            auto* element = dynamic_cast<TEditorObject*>(object.get());
            if (!element)
                throw eReaderror();
            object.release();
            std::unique_ptr<TEditorObject> owned(element);
            if (auto* structured = dynamic_cast<TSublistsEditObject*>(element))
                ReadCells(*structured, depth);
            return owned;
        }
        char c = 0;
        // A zero could not be written back into text held in memory.
        if (!reader_.ReadChar(c) || c == '\0')
            throw eReaderror();
        return std::make_unique<TSpecialChar>(c);
    }

    void ReadCells(TSublistsEditObject& element, int depth)
    {
        if (depth + 1 > MaxCellNesting)
            throw eReaderror();
        for (int i = 0; i < element.CellCount(); ++i) {
            char c = 0;
            if (!reader_.ReadChar(c) || c != '{')
                throw eReaderror();
            TElementList content = ReadList('}', depth + 1);
            TEditorObject* anchor = element.Cell(i);
            if (!anchor) {
                anchor = new TEditorObject;
                element.SetCell(i, anchor);
            }
            FreeList(anchor->DetachNext());
            anchor->next = content.release();
        }
    }

    TMathsReader& reader_;
};

TElementList WithAnchor(TElementList list)
{
    TElementList line(new TEditorObject);
    line->next = list.release();
    return line;
}

// Reads text held in memory as the current version does.
TElementList ReadMemoryText(std::string text)
{
    TMathsReader reader(std::move(text));
    reader.SetFileVersion(CurrentFileVersion);
    return ReadElementLine(reader, '\0');
}

} // namespace

TElementList ReadElements(TMathsReader& reader, char terminator)
{
    return TMarkupParser(reader).ReadList(terminator, 0);
}

TElementList ReadElementLine(TMathsReader& reader, char terminator)
{
    return WithAnchor(ReadElements(reader, terminator));
}

TElementList ElementsFromText(std::string_view text)
{
    std::string markup(text);
    // Built-in formula texts mark degrees with the copyright sign.
    std::replace(markup.begin(), markup.end(), '\xA9', '\xAA');
    return ReadMemoryText(std::move(markup));
}

TElementList ElementsFromShortText(std::string_view text)
{
    return ElementsFromText(text.substr(0, MaxMarkupRunLength));
}

std::string ElementsToText(const TEditorObject* list)
{
    TMathsWriter writer;
    WriteElementList(list, writer);
    return writer.TakeText();
}

TElementList CopyElements(const TEditorObject* list)
{
    // Read back without the degree-mark substitution of ElementsFromText,
    // which would turn an empty description (written as 0xA9) into a degree
    // mark: a copy must equal its original.
    return ReadMemoryText(ElementsToText(list));
}

int NestingDepth(const TEditorObject* list)
{
    // An explicit stack: the depth is what is being measured, so it must not
    // cost the program's own stack.
    struct TFrame {
        const TEditorObject* list;
        int depth;
    };
    std::vector<TFrame> pending{{list, 0}};
    int deepest = 0;
    while (!pending.empty()) {
        const TFrame frame = pending.back();
        pending.pop_back();
        deepest = std::max(deepest, frame.depth);
        for (const TEditorObject* item = frame.list; item; item = item->next)
            if (const auto* structured = dynamic_cast<const TSublistsEditObject*>(item))
                for (int i = 0; i < structured->CellCount(); ++i)
                    pending.push_back({structured->Cell(i), frame.depth + 1});
    }
    return deepest;
}

bool ConvertTextList(TElementList& list)
{
    TEditorObject* first = list.get();
    if (IsAnchor(first))
        first = first->next;
    const auto* run = dynamic_cast<const TStringEditObject*>(first);
    if (!run || run->next)
        return false;
    try {
        list = ElementsFromText(run->Text());
    } catch (const eReaderror&) {
        return false;
    }
    return true;
}
