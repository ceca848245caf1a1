// The markup text of formula lines: the one text form of an element list,
// used by documents, the clipboard, built-in formula strings and definition
// lines. Reading is driven by a small grammar (text runs, tabs, descriptions,
// "{" elements with cells); tagged element classes are found through a
// registry of class references. Malformed markup raises eReaderror.
#pragma once

#include "formula/elements.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TMathsReader;

// Longest text run the reader collects; a longer one goes on in a new run.
inline constexpr std::size_t MaxMarkupRunLength = 250;
// Deepest nesting of cells the reader follows; deeper markup is a read error,
// so the editor refuses to nest deeper.
inline constexpr int MaxCellNesting = 64;
// How deeply cells nest in a list: 0 without structured elements, 1 for a
// fraction of plain cells, 2 for an index inside a numerator.
[[nodiscard]] int NestingDepth(const TEditorObject* list);

// A class reference: the keyword a class is written under and its virtual
// constructor.
struct TClassReference {
    std::string tag;
    std::function<std::unique_ptr<TDrawObject>()> create;
};

// A registry of class references, searched in the order of registration.
class TClassStoreList {
public:
    // Registers T under its own TagName.
    template <class T> void Register()
    {
        const T probe;
        Add(probe.TagName(), [] { return std::unique_ptr<TDrawObject>(new T); });
    }
    void Add(std::string_view tag, std::function<std::unique_ptr<TDrawObject>()> create);
    [[nodiscard]] std::size_t Count() const { return classes_.size(); }
    [[nodiscard]] const TClassReference& operator[](std::size_t index) const { return classes_[index]; }
    [[nodiscard]] auto begin() const { return classes_.begin(); }
    [[nodiscard]] auto end() const { return classes_.end(); }

private:
    std::vector<TClassReference> classes_;
};

// The tagged element classes: TFractionObject, TSquareRootEditObject and
// TSuperscriptEditObject, in that order.
[[nodiscard]] const TClassStoreList& ElementClasses();
// The classes of coordinate and data-point records; filled by their owners.
[[nodiscard]] TClassStoreList& RecordClasses();

// Reads one element list up to terminator: CR for a document line (which
// must be followed by LF), "}" for a cell, 0 for text held in memory (where
// the end of the data is a normal end too). Answers the list without an
// anchor (nullptr when empty). Throws eReaderror on malformed markup.
[[nodiscard]] TElementList ReadElements(TMathsReader& reader, char terminator);
// ReadElements with an anchor put in front: the shape lines keep.
[[nodiscard]] TElementList ReadElementLine(TMathsReader& reader, char terminator);

// The list (anchor first) that null-terminated markup held in memory
// describes; every 0xA9 is read as the degree mark 0xAA, and the text is read
// as by the current version. Throws eReaderror on malformed markup.
[[nodiscard]] TElementList ElementsFromText(std::string_view text);
// ElementsFromText of at most the first 250 characters of text.
[[nodiscard]] TElementList ElementsFromShortText(std::string_view text);
// The markup of a list (anchors and display-only elements write nothing).
[[nodiscard]] std::string ElementsToText(const TEditorObject* list);
// A deep copy through the markup (anchor first). Throws eReaderror when the
// list's markup cannot be read back.
[[nodiscard]] TElementList CopyElements(const TEditorObject* list);

// When list (after an optional anchor) is a single text run, replaces it by
// the elements its text describes as markup and answers true; a list of any
// other shape, or a run whose markup is unreadable, is left as it is.
bool ConvertTextList(TElementList& list);
