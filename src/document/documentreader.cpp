// Reading a document into a TDocument. The reader works line by line: every
// line is either a known keyword (applied), the start of a block or record
// (read with the lines that belong to it), or unknown (skipped with a
// warning together with the indented lines after it), so one bad line never
// makes every later section fail to match. Values outside the ranges the
// settings allow keep their defaults with a warning.
#include "document/document.h"

#include "document/documentrecord.h"
#include "document/legacyimport.h"
#include "entry/declarationlines.h"
#include "entry/entry.h"
#include "formula/descriptions.h"
#include "formula/markup.h"
#include "geometry/bestfit.h"
#include "geometry/coordcurve.h"
#include "geometry/intersection.h"
#include "plot/curveplotter.h"
#include "plot/shownname.h"
#include "settings/mathsreader.h"

#include <algorithm>
#include <functional>
#include <typeinfo>

namespace {

// The flag lines of a "Stats options" block (its heading already read), in
// their order; a missing line leaves its flag as it was.
void ReadStatsBlock(TMathsReader& reader, TStatsOptions& options)
{
    for (int i = 0; i < TStatsOptions::Count && !reader.AtEnd(); ++i) {
        std::string_view value;
        const std::string keyword = "\t" + std::string(TStatsOptions::Labels[static_cast<std::size_t>(i)]);
        if (!reader.LineStartsWith(keyword, &value))
            continue;
        long long flag = 0;
        if (ParseDocumentInteger(value, flag))
            options.flags[static_cast<std::size_t>(i)] = flag != 0;
        reader.SkipLine();
    }
}

// The largest equation list a document may hold; more records are dropped
// with one warning (the equations window could not show them anyway).
constexpr std::size_t MaxLines = 100000;

// The first element that counts (after an anchor), or nullptr.
const TEditorObject* FirstElement(const TEditorObject* list)
{
    return list && IsAnchor(list) ? list->next : list;
}

// A number field: the number object for its text, never throwing (nullptr
// when unreadable). A typed text that is only a plain number is kept as that
// number, so that what is written reads back the same.
TRealReaderPtr DocumentNumber(std::string_view text, const std::vector<TEquationObject*>* declared)
{
    // The fixed form of a positive number starts with a blank.
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    TRealReaderPtr number;
    try {
        number = NumberFromText(text, declared);
    } catch (const std::exception&) {
        return nullptr;
    }
    const auto* typed = dynamic_cast<const TRealString*>(number.get());
    long double value = 0;
    if (typed && !dynamic_cast<const TVariableString*>(typed) && ParseDocumentReal(typed->Source(), value))
        return std::make_unique<TRealReader>(value);
    return number;
}

// Keeps the program-wide angle factor while lines are classified under the
// document's angle measure, restoring it afterwards.
class TAngleFactorScope {
public:
    explicit TAngleFactorScope(Extended factor) : saved_(AngleFactor) { AngleFactor = factor; }
    ~TAngleFactorScope() { AngleFactor = saved_; }
    TAngleFactorScope(const TAngleFactorScope&) = delete;
    TAngleFactorScope& operator=(const TAngleFactorScope&) = delete;

private:
    Extended saved_;
};

// What reading the equation records shares: the lines, the object each
// record of the data became (for the line numbers later records use), the
// warnings and the version.
class TEquationListReader {
public:
    TEquationListReader(TMathsReader& reader, TOwnedLines& lines, std::vector<TDocumentWarning>& warnings)
        : reader_(reader), lines_(lines), warnings_(warnings)
    {
        for (const auto& line : lines_.lines)
            declared_.push_back(line.get());
    }

    // Reads records to the end of the data; unknown lines are skipped.
    // Answers false when anything was skipped.
    bool ReadAll(int& selectedLine)
    {
        const TEquationObject* selected = nullptr;
        bool selectedSeen = false;
        while (!reader_.AtEnd()) {
            const int lineNumber = reader_.LineNumber();
            std::string_view value;
            if (reader_.LineIs("Curve")) {
                ReadCurveRecord(lineNumber);
            } else if (reader_.LineIs("Intersect")) {
                ReadIntersectRecord(lineNumber);
            } else if (reader_.LineStartsWith("Selected curve no: ", &value)) {
                long long index = -1;
                selectedSeen = true;
                if (!ParseDocumentInteger(value, index) || index < -1 ||
                    index >= static_cast<long long>(recordObjects_.size())) {
                    Warn(lineNumber,
                         "the selected line " + std::string(value) + " does not exist; none is selected");
                    selected = nullptr;
                } else {
                    selected = index < 0 ? nullptr : recordObjects_[static_cast<std::size_t>(index)];
                    if (index >= 0 && !selected)
                        Warn(lineNumber, "the selected line was dropped; none is selected");
                }
                reader_.SkipLine();
            } else if (reader_.PeekLine().empty() && reader_.Remaining() <= 2) {
                reader_.SkipLine(); // a final empty line
            } else {
                SkipUnknown(lineNumber);
            }
        }
        ResolveIntersections(selected);
        ResolvePendingDefinitions(selected);
        selectedLine = -1;
        if (selectedSeen && selected) {
            for (int i = 0; i < lines_.LineCount(); ++i)
                if (lines_.LineAt(i) == selected)
                    selectedLine = i;
        }
        return !failed_;
    }

    // Skips an unknown line and the indented lines that follow it.
    void SkipUnknown(int lineNumber)
    {
        std::string shown(reader_.PeekLine().substr(0, 40));
        Warn(lineNumber, "unknown line \"" + shown + "\" skipped");
        reader_.SkipLine();
        while (!reader_.AtEnd() && reader_.LineStartsWith("\t"))
            reader_.SkipLine();
    }

    [[nodiscard]] const std::vector<TEquationObject*>& Declared() const { return declared_; }

private:
    // The raw parts of one Curve record.
    struct TCurveRecord {
        int lineNumber = 0;
        std::string first;                      // the first markup line
        std::optional<std::string> description; // the displayed line when the first is a definition
        std::optional<long long> colour, style, switches, thickness, primary;
        int primaryLine = 0;
        std::optional<std::string> step;
        int stepLine = 0;
        bool coordinatePart = false;                              // joined, closed, label, points
        std::vector<std::pair<int, std::string>> coordinateLines; // with their line numbers
        bool statsBlock = false;
        TStatsOptions statsOptions = StatsOptions;        // a statistics line's own
        std::vector<std::pair<int, std::string>> unknown; // lines no part of the record knows
        std::size_t start = 0, end = 0;                   // the record's bytes in the data
    };

    void Warn(int line, std::string text) { warnings_.push_back(TDocumentWarning{line, std::move(text)}); }

    // Appends a line read from the record numbered by its place in the data.
    void Append(std::unique_ptr<TEquationObject> object)
    {
        if (!object) {
            recordObjects_.push_back(nullptr);
            failed_ = true;
            return;
        }
        if (lines_.lines.size() >= MaxLines) {
            if (lines_.lines.size() == MaxLines)
                Warn(reader_.LineNumber(), "too many lines; the rest are dropped");
            recordObjects_.push_back(nullptr);
            failed_ = true;
            return;
        }
        recordObjects_.push_back(object.get());
        declared_.push_back(object.get());
        lines_.lines.push_back(std::move(object));
    }

    // The line a record refers to by its index in the data, or nullptr.
    TEquationObject* RecordObject(long long index) const
    {
        if (index < 0 || index >= static_cast<long long>(recordObjects_.size()))
            return nullptr;
        return recordObjects_[static_cast<std::size_t>(index)];
    }

    // Reads one markup line held in text (the whole line, however long).
    TElementList ReadMarkup(const std::string& text) const
    {
        // A NUL byte would end the text early and glue what follows to the
        // run before it, changing the line; such a line cannot be read.
        if (text.find('\0') != std::string::npos)
            throw eReaderror();
        TMathsReader line(text);
        line.SetFileVersion(reader_.FileVersion());
        TElementList list(new TEditorObject);
        TEditorObject* tail = list.get();
        while (!line.AtEnd()) {
            TElementList part = ReadElements(line, '\0');
            if (part) {
                tail->next = part.release();
                tail = LastElement(tail);
            }
        }
        return list;
    }

    void ReadCurveRecord(int lineNumber)
    {
        TCurveRecord record;
        record.lineNumber = lineNumber;
        record.start = reader_.Position();
        reader_.SkipLine();
        if (reader_.AtEnd()) {
            Warn(lineNumber, "a Curve record without its formula line was skipped");
            record.end = reader_.Position();
            Append(nullptr);
            return;
        }
        record.first = reader_.ReadLine();
        std::string_view value;
        if (reader_.LineStartsWith("\tDescription: ", &value)) {
            record.description = std::string(value);
            reader_.SkipLine();
        }
        ReadRecordFields(record);
        record.end = reader_.Position();

        TElementList first, description;
        try {
            first = ReadMarkup(record.first);
            if (record.description)
                description = ReadMarkup(*record.description);
        } catch (const std::exception&) {
            Warn(lineNumber, "a Curve record whose formula cannot be read was skipped");
            Append(nullptr);
            return;
        }
        // A coordinate list is built from its rows whatever its description shows.
        const TEditorObject* heading = FirstElement(first.get());
        if (heading && IsCoordinateListHeading(heading->DescriptionNumber())) {
            Append(ReadCoordinateRecord(record, std::move(first), std::move(description)));
            return;
        }
        const TEditorObject* shown = FirstElement(description ? description.get() : first.get());
        const int shownDescription = shown ? shown->DescriptionNumber() : 0;
        const int headingNumber = heading ? heading->DescriptionNumber() : 0;
        const bool statsLine = shownDescription == dnStatsLine || headingNumber == dnStatsLine;
        // Every kind of fit once wrote the straight line's heading as its
        // definition; the heading it shows says which fit it is.
        if (headingNumber == dnBestFitStraight && shownDescription > dnBestFitStraight &&
            shownDescription <= dnStatsLine)
            first = ReadMarkup(*record.description); // heading is freed with the old list
        if (record.coordinatePart || IsCoordinateListHeading(shownDescription) ||
            (record.statsBlock && !statsLine)) {
            Append(KeepRecord(record, description ? std::move(description) : std::move(first)));
            return;
        }

        std::unique_ptr<TEquationObject> object;
        std::string message;
        {
            TEditor line;
            line.SetElements(std::move(first));
            // Tangents and lines to a curve are entered under their curve.
            if (record.primary)
                line.SetParent(RecordObject(*record.primary));
            TParseParams parse;
            parse.declaredNames = &declared_;
            // A name declared further down waits for the second pass,
            // whatever the "Define Constants" setting says.
            parse.defineLater = true;
            parse.warningBoxes = false;
            try {
                object = ClassifyLine(line, parse);
            } catch (const std::exception&) {
                object = nullptr;
            }
            if (!object && parse.error.message)
                message = parse.error.message;
            if (!object && !record.description && !record.primary) {
                // A line that cannot be classified stays as it was typed
                // (entry may have completed the line it was given).
                auto plain = std::make_unique<TEditor>();
                plain->SetElements(ReadMarkup(record.first));
                if (!message.empty())
                    Warn(lineNumber, "kept as a plain line: " + message);
                object = std::move(plain);
            }
        }
        if (!object || (record.description && !dynamic_cast<TCurvePLotter*>(object.get()))) {
            TElementList shownList = description ? std::move(description) : ReadMarkup(record.first);
            Append(KeepRecord(record, std::move(shownList)));
            return;
        }
        auto* fit = dynamic_cast<TBestFit*>(object.get());
        if (fit)
            fit->DescriptionFlag = record.description.has_value(); // written back as it was read
        else if (record.description)
            ShowNameInstead(*object, std::move(description));
        if (auto* stats = dynamic_cast<TDisplayStatsCurve*>(object.get()); stats && record.statsBlock)
            stats->Options.flags = record.statsOptions.flags;
        ApplyLook(record, *object);
        if (record.primary) {
            TEquationObject* primary = RecordObject(*record.primary);
            if (*record.primary >= 0 && !primary)
                Warn(record.primaryLine, "the line this one depends on does not exist; it has none");
            object->SetParent(primary);
        }
        if (record.step) {
            if (auto* constant = dynamic_cast<TDynamicConstantEquation*>(object.get())) {
                TRealReaderPtr step = DocumentNumber(*record.step, &declared_);
                if (step)
                    constant->Constant().SetStep(std::move(step));
                else
                    Warn(record.stepLine, "the step cannot be read; the constant keeps its own");
            }
        }
        if (fit)
            fit->Refit();
        for (const auto& [line, text] : record.unknown)
            Warn(line, "unknown line \"" + text.substr(0, 40) + "\" in a Curve record skipped");
        Append(std::move(object));
    }

    // The indented lines of a Curve record (and a statistics block).
    void ReadRecordFields(TCurveRecord& record)
    {
        struct TIntegerField {
            std::string_view keyword;
            std::optional<long long> TCurveRecord::*target;
            long long min, max;
        };
        static const TIntegerField fields[] = {
            {"\tcolour = ", &TCurveRecord::colour, -0x80000000LL, 0xFFFFFFFFLL},
            {"\tstyle = ", &TCurveRecord::style, 0, 255},
            {"\tSwitches = ", &TCurveRecord::switches, 0, 0xFFFF},
            {"\tLine thickness = ", &TCurveRecord::thickness, 0, 100},
            {"\tprimary equation number = ", &TCurveRecord::primary, -1, 0x7FFFFFFF},
        };
        while (!reader_.AtEnd()) {
            const int lineNumber = reader_.LineNumber();
            std::string_view value;
            bool known = false;
            for (const TIntegerField& field : fields) {
                if (!reader_.LineStartsWith(field.keyword, &value))
                    continue;
                known = true;
                long long number = 0;
                if (!ParseDocumentInteger(value, number) || number < field.min || number > field.max)
                    Warn(lineNumber, std::string(field.keyword.substr(1)) + std::string(value) +
                                         " is out of range; the default is kept");
                else
                    record.*field.target = number;
                if (field.target == &TCurveRecord::primary)
                    record.primaryLine = lineNumber;
                reader_.SkipLine();
                break;
            }
            if (known)
                continue;
            if (reader_.LineStartsWith("\tStep: ", &value)) {
                record.step = std::string(value);
                record.stepLine = lineNumber;
                reader_.SkipLine();
            } else if (reader_.LineStartsWith("\t\t")) {
                record.coordinatePart = true;
                record.coordinateLines.emplace_back(lineNumber, std::string(reader_.PeekLine()));
                reader_.SkipLine();
            } else if (reader_.LineIs("Stats options")) {
                record.statsBlock = true;
                reader_.SkipLine();
                ReadStatsBlock(reader_, record.statsOptions);
            } else if (reader_.LineStartsWith("\t")) {
                record.unknown.emplace_back(lineNumber, std::string(reader_.PeekLine()));
                reader_.SkipLine();
            } else {
                break;
            }
        }
    }

    // A coordinate list or data set: its heading line, its rows, and the
    // description it shows instead of the heading when it has one.
    std::unique_ptr<TEquationObject> ReadCoordinateRecord(const TCurveRecord& record, TElementList first,
                                                          TElementList description)
    {
        const int heading = FirstElement(first.get())->DescriptionNumber();
        std::unique_ptr<TCoordCurve> list =
            ReadCoordinateList(heading, record.coordinateLines, &declared_, reader_.VersionBelow("2"),
                               [this](int line, std::string text) { Warn(line, std::move(text)); });
        list->SetElements(std::move(first));
        list->SetSwitches(0);
        ApplyLook(record, *list);
        if (description) {
            list->SetElements(std::move(description));
            list->DescriptionFlag = true;
        }
        list->RowsChanged();
        if (record.primary) {
            TEquationObject* primary = RecordObject(*record.primary);
            if (*record.primary >= 0 && !primary)
                Warn(record.primaryLine, "the line this one depends on does not exist; it has none");
            list->SetParent(primary);
        }
        for (const auto& [line, text] : record.unknown)
            Warn(line, "unknown line \"" + text.substr(0, 40) + "\" in a Curve record skipped");
        if (record.step)
            Warn(record.stepLine, "a step in a coordinate list was skipped");
        return list;
    }

    static void ApplyLook(const TCurveRecord& record, TEquationObject& object)
    {
        if (record.colour)
            object.colour = static_cast<TColour>(static_cast<std::uint32_t>(*record.colour));
        if (record.style)
            object.style = static_cast<std::uint8_t>(*record.style);
        if (record.switches)
            object.SetSwitches(static_cast<std::uint16_t>(*record.switches));
        if (record.thickness)
            object.thickness = static_cast<std::uint16_t>(*record.thickness);
    }

    // The name of a kept record in its warning: its first description, or
    // the record keyword.
    static std::string KeptKind(const TEditorObject* list, std::string_view keyword)
    {
        const TEditorObject* first = FirstElement(list);
        const int number = first ? first->DescriptionNumber() : 0;
        std::string text = number ? std::string(DescriptionText(number)) : std::string();
        while (!text.empty() && text.back() == ' ')
            text.pop_back();
        return text.empty() ? std::string(keyword) : text;
    }

    // The record's text as it stands, line ends made CR LF, with every
    // line-number field turned into a reference to the line it names.
    // A formula line of a kept record is written as the current version
    // writes it when `markupLines` holds its number (0 is the heading).
    std::unique_ptr<TKeptRecord> KeepText(std::size_t start, std::size_t end, std::string kind,
                                          std::initializer_list<std::string_view> referenceKeywords,
                                          std::initializer_list<int> markupLines = {})
    {
        auto kept = std::make_unique<TKeptRecord>(std::move(kind));
        TMathsReader text{std::string(reader_.Data().substr(start, end - start))};
        for (int lineIndex = 0; !text.AtEnd(); ++lineIndex) {
            if (std::find(markupLines.begin(), markupLines.end(), lineIndex) != markupLines.end()) {
                kept->AddText(InCurrentMarkup(text.PeekLine()));
                kept->AddText("\r\n");
                text.SkipLine();
                continue;
            }
            std::string_view value;
            bool reference = false;
            for (std::string_view keyword : referenceKeywords) {
                long long index = 0;
                if (text.LineStartsWith(keyword, &value) && ParseDocumentInteger(value, index)) {
                    kept->AddText(keyword);
                    kept->AddReference(RecordObject(index));
                    kept->AddText("\r\n");
                    reference = true;
                    break;
                }
            }
            if (!reference) {
                kept->AddText(text.PeekLine());
                kept->AddText("\r\n");
            }
            text.SkipLine();
        }
        return kept;
    }

    // Markup written by an older version can read differently under the
    // current one (matrices stored columns first, older description words),
    // and a kept record is written under the current version's header: its
    // formula lines are written again from what they read as. Lines of the
    // current version stay byte for byte.
    std::string InCurrentMarkup(std::string_view line) const
    {
        if (!reader_.VersionBelow(CurrentFileVersion))
            return std::string(line);
        constexpr std::string_view descriptionKey = "\tDescription: ";
        const bool description = line.starts_with(descriptionKey);
        const std::string markup(description ? line.substr(descriptionKey.size()) : line);
        try {
            TElementList list = ReadMarkup(markup);
            return (description ? std::string(descriptionKey) : std::string()) + ElementsToText(list.get());
        } catch (const std::exception&) {
            return std::string(line);
        }
    }

    std::unique_ptr<TEquationObject> KeepRecord(const TCurveRecord& record, TElementList shown)
    {
        auto kept = KeepText(record.start, record.end, KeptKind(shown.get(), "Curve"),
                             {"\tprimary equation number = "}, {1, record.description ? 2 : 1});
        kept->SetElements(std::move(shown));
        ApplyLook(record, *kept);
        Warn(record.lineNumber, "a " + kept->Kind() + " record is kept as text");
        return kept;
    }

    // An Intersect record: its curves may stand further down, so they are
    // found once every record has been read (ResolveIntersections).
    void ReadIntersectRecord(int lineNumber)
    {
        TPendingIntersection pending;
        pending.lineNumber = lineNumber;
        pending.start = reader_.Position();
        reader_.SkipLine();
        std::vector<long long> curves;
        std::optional<long long> colour;
        while (!reader_.AtEnd() && reader_.LineStartsWith("\t")) {
            const int line = reader_.LineNumber();
            std::string_view value;
            long long number = 0;
            if (reader_.LineStartsWith("\tcolour = ", &value)) {
                if (ParseDocumentInteger(value, number) && number >= -0x80000000LL && number <= 0xFFFFFFFFLL)
                    colour = number;
                else
                    Warn(line, "colour = " + std::string(value) + " is out of range; the default is kept");
            } else if (reader_.LineStartsWith("\tCurve\t", &value) && ParseDocumentInteger(value, number)) {
                curves.push_back(number);
            } else {
                pending.unreadable = true;
            }
            reader_.SkipLine();
        }
        pending.end = reader_.Position();
        // The record ends with its last line; one empty line after it is accepted.
        if (!reader_.AtEnd() && reader_.PeekLine().empty())
            reader_.SkipLine();
        if (curves.size() == 2) {
            pending.primary = curves[0];
            pending.other = curves[1];
        } else {
            pending.unreadable = true;
        }
        auto intersection = std::make_unique<TIntersectCurve>(nullptr, nullptr);
        if (colour)
            intersection->colour = static_cast<TColour>(static_cast<std::uint32_t>(*colour));
        pending.object = intersection.get();
        Append(std::move(intersection));
        if (pending.object == recordObjects_.back())
            pendingIntersections_.push_back(pending);
    }

    // Puts each intersection on its two curves, now that every record has
    // been read; a record whose curves cannot be found is kept as text.
    void ResolveIntersections(const TEquationObject*& selected)
    {
        for (const TPendingIntersection& pending : pendingIntersections_) {
            // An intersection list is not a curve another list can meet.
            const auto curve = [this](long long index) -> TCurvePLotter* {
                TEquationObject* object = RecordObject(index);
                return dynamic_cast<TIntersectCurve*>(object) ? nullptr
                                                              : dynamic_cast<TCurvePLotter*>(object);
            };
            auto* primary = curve(pending.primary);
            auto* other = curve(pending.other);
            const auto place = std::find_if(lines_.lines.begin(), lines_.lines.end(),
                                            [&](const auto& line) { return line.get() == pending.object; });
            if (place == lines_.lines.end())
                continue;
            if (pending.unreadable || !primary || !other) {
                auto kept = KeepText(pending.start, pending.end, "Intersect", {"\tCurve\t"});
                TElementList shown(new TEditorObject);
                shown->next = new TFixedDescription(59);
                kept->SetElements(std::move(shown));
                Warn(pending.lineNumber, "an Intersect record is kept as text");
                // The kept text names its own lines.
                Replace(static_cast<std::size_t>(place - lines_.lines.begin()), std::move(kept), selected,
                        false);
                continue;
            }
            pending.object->PrimaryCurve = primary;
            pending.object->OtherCurve = other;
            if (!pending.object->Searchable())
                Warn(pending.lineNumber,
                     "neither curve of this intersection can be searched; it lists no points");
            // The list is searched when the lines are recalculated, once they stand in the window.
        }
        pendingIntersections_.clear();
    }

    // Lines waiting for names declared further down are classified again
    // until nothing changes; a line still waiting is kept as it is. Each pass
    // runs from the last line up, so a chain of names each declared below
    // its user resolves in one pass.
    void ResolvePendingDefinitions(const TEquationObject*& selected)
    {
        const std::size_t passes = lines_.lines.size() > 1 ? lines_.lines.size() - 1 : 0;
        for (std::size_t pass = 0; pass < passes; ++pass) {
            bool changed = false;
            std::vector<TEquationObject*> declared;
            for (const auto& line : lines_.lines)
                declared.push_back(line.get());
            for (std::size_t i = lines_.lines.size(); i-- > 0;) {
                auto* waiting = dynamic_cast<TNeedsDefinitions*>(lines_.lines[i].get());
                if (!waiting)
                    continue;
                TEditor line;
                std::unique_ptr<TEquationObject> object;
                try {
                    line.SetElements(CopyElements(waiting->Elements()));
                    line.SetParent(waiting->GetParent());
                    TParseParams parse;
                    parse.declaredNames = &declared;
                    parse.defineLater = true;
                    parse.warningBoxes = false;
                    object = ClassifyLine(line, parse);
                } catch (const std::exception&) {
                    object = nullptr;
                }
                if (!object || dynamic_cast<TNeedsDefinitions*>(object.get()))
                    continue;
                object->colour = waiting->colour;
                object->style = waiting->style;
                object->SetSwitches(waiting->Switches());
                object->thickness = waiting->thickness;
                declared[i] = object.get();
                Replace(i, std::move(object), selected);
                changed = true;
            }
            if (!changed)
                break;
        }
        // Points that named constants declared further down are read again.
        std::vector<TEquationObject*> declared;
        for (const auto& line : lines_.lines)
            declared.push_back(line.get());
        for (const auto& line : lines_.lines)
            if (auto* list = dynamic_cast<TCoordCurve*>(line.get()))
                list->ResolvePendingNumbers(declared);
    }

    // Puts object in the place of line index; with inheritParent it takes
    // over the old line's parent.
    void Replace(std::size_t index, std::unique_ptr<TEquationObject> object, const TEquationObject*& selected,
                 bool inheritParent = true)
    {
        TEquationObject* old = lines_.lines[index].get();
        TEquationObject* now = object.get();
        if (inheritParent)
            object->SetParent(old->GetParent());
        for (const auto& line : lines_.lines) {
            if (line->GetParent() == old)
                line->SetParent(now);
            if (auto* kept = dynamic_cast<TKeptRecord*>(line.get()))
                kept->ReplaceReference(old, now);
            if (auto* intersection = dynamic_cast<TIntersectCurve*>(line.get());
                intersection && intersection->OtherCurve == old)
                intersection->OtherCurve = dynamic_cast<TCurvePLotter*>(now);
        }
        // A kept record may name the line it replaces: itself, from now on.
        if (auto* kept = dynamic_cast<TKeptRecord*>(now))
            kept->ReplaceReference(old, now);
        if (selected == old)
            selected = now;
        std::replace(declared_.begin(), declared_.end(), old, now);
        std::replace(recordObjects_.begin(), recordObjects_.end(), old, now);
        lines_.lines[index] = std::move(object);
    }

    TMathsReader& reader_;
    TOwnedLines& lines_;
    std::vector<TDocumentWarning>& warnings_;
    std::vector<TEquationObject*> declared_;
    std::vector<TEquationObject*> recordObjects_;
    struct TPendingIntersection {
        TIntersectCurve* object = nullptr;
        long long primary = -1, other = -1;
        bool unreadable = false;
        int lineNumber = 0;
        std::size_t start = 0, end = 0;
    };
    std::vector<TPendingIntersection> pendingIntersections_;
    bool failed_ = false;
};

// ---- the sections before the equation records -----------------------------

class TDocumentBodyReader {
public:
    TDocumentBodyReader(TMathsReader& reader, TDocument& document) : reader_(reader), doc_(document) {}

    void Read()
    {
        TConfiguration& s = doc_.settings;
        s.Password = std::string(BuiltInPassword);
        const std::vector<TIntegerKey> integerKeys = IntegerKeys();
        const std::vector<TFlagKey> flagKeys = FlagKeys();
        while (!reader_.AtEnd()) {
            const int lineNumber = reader_.LineNumber();
            std::string_view value;
            if (ReadKey(integerKeys, flagKeys, lineNumber))
                continue;
            if (reader_.LineStartsWith("Angle measure = ", &value)) {
                s.AngleFactor = value == "degrees" ? DegreesFactor : RadiansFactor;
                reader_.SkipLine();
            } else if (reader_.LineStartsWith("Password: ", &value)) {
                s.Password = std::string(value);
                reader_.SkipLine();
            } else if (reader_.LineStartsWith("Font name = ", &value)) {
                doc_.fontName = std::string(value);
                reader_.SkipLine();
            } else if (reader_.LineStartsWith("x scaling: ", &value) ||
                       reader_.LineStartsWith("y scaling: ", &value)) {
                const bool x = reader_.LineStartsWith("x");
                (x ? doc_.xScaling : doc_.yScaling) = Number(value, lineNumber);
                reader_.SkipLine();
            } else if (reader_.LineIs("Stats options")) {
                reader_.SkipLine();
                ReadStatsOptions(doc_.statsOptions);
                statsSeen_ = true;
            } else if (reader_.LineIs("Scaling")) {
                ReadScaling(lineNumber);
            } else if (reader_.LineStartsWith("Commentary: ", &value)) {
                ReadCommentary(value, lineNumber);
            } else if (reader_.LineStartsWith("Window: ", &value)) {
                ReadWindow(value);
            } else if (reader_.LineIs("Equations window")) {
                ReadEquationsPanel();
            } else if (reader_.LineIs("Screen layout")) {
                ReadScreenLayout();
            } else if (reader_.LineStartsWith("Toolbar: ", &value)) {
                ReadToolbar(value, lineNumber);
            } else if (reader_.LineStartsWith("Whiteboard", &value)) {
                long long flag = 0;
                if (ParseDocumentInteger(value, flag))
                    doc_.whiteboard = flag != 0;
                else
                    Warn(lineNumber, "the whiteboard flag cannot be read");
                reader_.SkipLine();
            } else if (reader_.LineIs("Annotation")) {
                ReadAnnotation(lineNumber);
            } else if (reader_.LineIs("Curve") || reader_.LineIs("Intersect") ||
                       reader_.LineStartsWith("Selected curve no: ")) {
                break;
            } else if (reader_.PeekLine().empty() && reader_.Remaining() <= 2) {
                reader_.SkipLine();
            } else {
                const std::string shown(reader_.PeekLine().substr(0, 40));
                Warn(lineNumber, "unknown line \"" + shown + "\" skipped");
                reader_.SkipLine();
                while (!reader_.AtEnd() && reader_.LineStartsWith("\t"))
                    reader_.SkipLine();
            }
        }
        FinishSettings();
    }

    // After the equation records: scalings that name declared constants are
    // read again, and scalings that cannot be shown are dropped.
    void FinishScalings(const std::vector<TEquationObject*>& declared)
    {
        for (auto& [transfer, line] : scalings_) {
            for (TRealReaderPtr* bound :
                 {&transfer->XMin, &transfer->XMax, &transfer->YMin, &transfer->YMax}) {
                if (auto* waiting = dynamic_cast<TNeedsDefRealReader*>(bound->get())) {
                    TRealReaderPtr number = DocumentNumber(waiting->Text(), &declared);
                    if (number && !dynamic_cast<TNeedsDefRealReader*>(number.get()))
                        *bound = std::move(number);
                }
            }
            std::string message;
            if (!transfer->Validate(message)) {
                Warn(line, "a scaling was dropped: " + message);
                continue;
            }
            doc_.scalings.push_back(std::move(transfer));
        }
        scalings_.clear();
    }

private:
    struct TIntegerKey {
        std::string_view keyword;
        long long min, max;
        std::function<void(long long)> set;
        bool* seen = nullptr;
    };
    struct TFlagKey {
        std::string_view keyword;
        bool* target;
        bool* seen = nullptr;
    };

    void Warn(int line, std::string text)
    {
        doc_.warnings.push_back(TDocumentWarning{line, std::move(text)});
    }

    TRealReaderPtr Number(std::string_view text, int lineNumber)
    {
        while (!text.empty() && text.front() == ' ')
            text.remove_prefix(1);
        TRealReaderPtr number = DocumentNumber(text, nullptr);
        // Bounds are written in the fixed form with 7 digits: hold the value
        // that will be written, so a bound that passes the scale checks now
        // still passes them when the document is read again.
        long double rounded = 0;
        const TRealReader* plain = number.get();
        if (plain && typeid(*plain) == typeid(TRealReader) &&
            ParseDocumentReal(FormatFixed(plain->Value()), rounded))
            number->SetValue(rounded);
        if (!number)
            Warn(lineNumber, "the number \"" + std::string(text.substr(0, 40)) + "\" cannot be read");
        return number;
    }

    std::vector<TIntegerKey> IntegerKeys()
    {
        TConfiguration& s = doc_.settings;
        return {
            {"Mouse figures: ", 2, 5, [&s](long long v) { s.MouseFigures = static_cast<std::uint8_t>(v); }},
            {"Repeats delay = ", 0, 20, [&s](long long v) { s.RepeatsDelay = static_cast<std::uint8_t>(v); },
             &repeatsDelaySeen_},
            // Older documents stored one less; the range is checked after the version rule.
            {"Thick lines = ", 0, 9, [&s](long long v) { s.ThickLines = static_cast<std::int16_t>(v); }},
            {"Zoom factor = ", 150, 500, [&s](long long v) { s.ZoomFactor = static_cast<std::int16_t>(v); }},
            {"Polar grid ", 0, 1, [&s](long long v) { s.PolarGrid = static_cast<std::uint8_t>(v); }},
            {"Family size: ", LLONG_MIN, LLONG_MAX, [](long long) {}},
            {"Print thickness: ", LLONG_MIN, LLONG_MAX, [](long long) {}},
            {"Pencil delay: ", LLONG_MIN, LLONG_MAX, [this](long long v) { pencilDelay_ = v; }},
            {"Font size = ", -1000, 1000, [this](long long v) { doc_.fontHeight = static_cast<int>(v); }},
            {"Shade sie = ", 0, 1, [&s](long long v) { s.ShadeSide = v != 0; }},
            {"Back ground colour = ", -0x80000000LL, 0xFFFFFFFFLL,
             [this](long long v) {
                 doc_.backgroundColour = static_cast<TColour>(static_cast<std::uint32_t>(v));
             }},
            {"Print colour option", 0, 2,
             [this](long long v) { doc_.printColourOption = static_cast<std::uint8_t>(v); }},
            {"Graph paper colour: ", 0, 1,
             [this](long long v) { doc_.graphPaperColour = static_cast<std::uint8_t>(v); }},
            {"Equations window height = ", 1, 10000,
             [this](long long v) { doc_.equationsWindowHeight = static_cast<int>(v); }},
            {"Accuracy = ", 1, 1000, [&s](long long v) { s.Accuracy = static_cast<std::int16_t>(v); }},
            {"Toolbar align: ", LLONG_MIN, LLONG_MAX, [](long long) {}},
        };
    }

    std::vector<TFlagKey> FlagKeys()
    {
        TConfiguration& s = doc_.settings;
        return {
            {"Demonstration draw: ", &s.DemonstrationDraw},
            {"Pause: ", &s.Pause},
            {"COnstruction lines: ", &s.ConstructionLines},
            {"Draw axes: ", &s.DrawAxes},
            {"Label axes: ", &s.LabelAxes},
            {"grid ", &s.Grid},
            {"Shade shapes: ", &s.ShadeShapes},
            {"Label coordinates: ", &s.LabelCoordinates},
            {"Define Constants: ", &s.DefineConstants},
            {"Allow docking: ", &s.AllowDocking},
            {"AutoAccuracy: ", &s.AutoAccuracy},
            {"Show hints: ", &s.ShowHints},
            {"Show graph names: ", &s.ShowGraphNames, &graphNamesSeen_},
            {"Drag curves: ", &s.DragCurves, &dragCurvesSeen_},
            {"Transform dialogs: ", &s.TransformDialogs},
            {"Drag Layout: ", &doc_.dragLayout},
        };
    }

    // The toolbar flags of documents older than "3".
    static constexpr std::pair<std::string_view, std::string_view> OldToolbarKeys[] = {
        {"File tools: ", "ToolBarFile"},          {"Zoom tools: ", "ToolBarZoom"},
        {"Edit tools: ", "ToolBarEdit"},          {"Insert tools: ", "ToolBarInsert"},
        {"Analysis tools: ", "ToolBarAnalysis"},  {"Transform tools: ", "ToolBarTransform"},
        {"Coord tools: ", "ToolBarShapes"},       {"Dynamic tools: ", "ToolBarDynamicEditor"},
        {"AngleMeasure tools: ", "ToolBarAngle"},
    };

    bool ReadKey(const std::vector<TIntegerKey>& integers, const std::vector<TFlagKey>& flags, int lineNumber)
    {
        std::string_view value;
        for (const TIntegerKey& key : integers) {
            if (!reader_.LineStartsWith(key.keyword, &value))
                continue;
            long long number = 0;
            if (!ParseDocumentInteger(value, number))
                Warn(lineNumber, std::string(key.keyword) + "\"" + std::string(value.substr(0, 40)) +
                                     "\" is not a number; the default is kept");
            else if (number < key.min || number > key.max)
                Warn(lineNumber, std::string(key.keyword) + std::to_string(number) +
                                     " is out of range; the default is kept");
            else {
                key.set(number);
                if (key.seen)
                    *key.seen = true;
                if (key.keyword == "Accuracy = ")
                    accuracySeen_ = true;
            }
            reader_.SkipLine();
            return true;
        }
        for (const TFlagKey& key : flags) {
            if (!reader_.LineStartsWith(key.keyword, &value))
                continue;
            long long number = 0;
            if (!ParseDocumentInteger(value, number))
                Warn(lineNumber, std::string(key.keyword) + "\"" + std::string(value.substr(0, 40)) +
                                     "\" is not a flag; the default is kept");
            else {
                *key.target = number != 0;
                if (key.seen)
                    *key.seen = true;
            }
            reader_.SkipLine();
            return true;
        }
        for (const auto& [keyword, name] : OldToolbarKeys) {
            if (!reader_.LineStartsWith(keyword, &value))
                continue;
            // Only whether the toolbar is shown: where it stands is the program's.
            long long number = 0;
            doc_.toolbarVisibility.emplace_back(std::string(name),
                                                !ParseDocumentInteger(value, number) || number != 0);
            reader_.SkipLine();
            return true;
        }
        return false;
    }

    void FinishSettings()
    {
        TConfiguration& s = doc_.settings;
        if (!graphNamesSeen_)
            s.ShowGraphNames = s.ShowHints;
        if (!dragCurvesSeen_)
            s.DragCurves = false;
        s.Unlocked = s.Password.empty();
        if (reader_.VersionBelow("2.0005"))
            s.ThickLines = static_cast<std::int16_t>(s.ThickLines + 1);
        if (s.ThickLines < 1 || s.ThickLines > 9) {
            Warn(1,
                 "Thick lines = " + std::to_string(s.ThickLines) + " is out of range; the default is kept");
            s.ThickLines = DefaultConfiguration.ThickLines;
        }
        if (s.ZoomFactor % 50 != 0) {
            Warn(1, "Zoom factor = " + std::to_string(s.ZoomFactor) +
                        " is not a step of 50; the default is kept");
            s.ZoomFactor = DefaultConfiguration.ZoomFactor;
        }
        if (reader_.VersionBelow("2") && s.RepeatsDelay == 0) {
            const long long pencil = pencilDelay_.value_or(DefaultConfiguration.RepeatsDelay);
            if (pencil > 0 && pencil / 2 <= 20)
                s.RepeatsDelay = static_cast<std::uint8_t>(pencil / 2);
        }
        if (reader_.VersionBelow("2.0008") && accuracySeen_)
            s.AutoAccuracy = s.Accuracy == 10;
        if (!statsSeen_)
            doc_.statsOptions = StatsOptions;
    }

    void ReadStatsOptions(TStatsOptions& options) { ReadStatsBlock(reader_, options); }

    void ReadScaling(int lineNumber)
    {
        reader_.SkipLine();
        auto transfer = std::make_unique<TRescaleDataTransfer>(-5, 5, -8, 8);
        char axis = 0;
        while (!reader_.AtEnd() && reader_.LineStartsWith("\t")) {
            const int fieldLine = reader_.LineNumber();
            std::string_view value;
            const std::string_view line = reader_.PeekLine();
            std::string_view trimmed = line;
            while (!trimmed.empty() && trimmed.front() == '\t')
                trimmed.remove_prefix(1);
            if (SameText(trimmed, "x-axis") || SameText(trimmed, "y-axis")) {
                axis = static_cast<char>(std::tolower(static_cast<unsigned char>(trimmed[0])));
            } else if (trimmed.size() >= 6 &&
                       (SameText(trimmed.substr(0, 6), "min = ") ||
                        SameText(trimmed.substr(0, 6), "max = ")) &&
                       axis) {
                const bool min = SameText(trimmed.substr(0, 3), "min");
                TRealReaderPtr number = Number(trimmed.substr(6), fieldLine);
                if (number)
                    (axis == 'x' ? (min ? transfer->XMin : transfer->XMax)
                                 : (min ? transfer->YMin : transfer->YMax)) = std::move(number);
            } else if (reader_.LineStartsWith("\tSquare: ", &value)) {
                long long flag = 0;
                transfer->Square = ParseDocumentInteger(value, flag) && flag != 0;
            } else if (reader_.LineStartsWith("\t2 mm graph: ", &value)) {
                long long flag = 0;
                transfer->GraphPaper = ParseDocumentInteger(value, flag) && flag != 0;
            } else if (reader_.LineStartsWith("\tx scaling: ", &value)) {
                transfer->XScalingText = std::string(value);
            } else if (reader_.LineStartsWith("\ty scaling: ", &value)) {
                transfer->YScalingText = std::string(value);
            } else if (reader_.LineStartsWith("\tgrid ", &value) && reader_.VersionBelow("2")) {
                doc_.settings.Grid = value == "on";
            } else {
                Warn(fieldLine,
                     "unknown line \"" + std::string(line.substr(0, 40)) + "\" in a Scaling record skipped");
            }
            reader_.SkipLine();
        }
        scalings_.emplace_back(std::move(transfer), lineNumber);
    }

    void ReadCommentary(std::string_view value, int lineNumber)
    {
        long long count = 0;
        if (!ParseDocumentInteger(value, count) || count < 0) {
            Warn(lineNumber, "the commentary's length cannot be read; the commentary is skipped");
            reader_.SkipLine();
            return;
        }
        reader_.SkipLine();
        if (static_cast<unsigned long long>(count) > reader_.Remaining()) {
            Warn(lineNumber, "the commentary is shorter than its length says; what is there is kept");
            count = static_cast<long long>(reader_.Remaining());
        }
        TCommentaryRecord commentary;
        commentary.text = reader_.ReadBytes(static_cast<std::size_t>(count));
        if (reader_.PeekLine().empty())
            reader_.SkipLine();
        std::string_view field;
        if (reader_.LineStartsWith("\tFont name = ", &field)) {
            commentary.hasFont = true;
            commentary.fontName = std::string(field);
            reader_.SkipLine();
        }
        while (!reader_.AtEnd() && reader_.LineStartsWith("\t")) {
            const int fieldLine = reader_.LineNumber();
            long long number = 0;
            long double real = 0;
            if (reader_.LineStartsWith("\tFont size = ", &field) && commentary.hasFont) {
                if (ParseDocumentInteger(field, number) && number > 0 && number <= 1000)
                    commentary.fontSize = static_cast<int>(number);
                else
                    Warn(fieldLine, "the commentary's font size is out of range; the default is kept");
            } else if (reader_.LineStartsWith("\tFont colour =", &field) && commentary.hasFont) {
                if (ParseDocumentInteger(field, number) && number >= -0x80000000LL && number <= 0xFFFFFFFFLL)
                    commentary.fontColour = static_cast<TColour>(static_cast<std::uint32_t>(number));
            } else if (reader_.LineStartsWith("\tFont style = ", &field) && commentary.hasFont) {
                std::string lower(field);
                for (char& c : lower)
                    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
                commentary.bold = lower.find("bold,") != std::string::npos;
                commentary.italic = lower.find("italic,") != std::string::npos;
                commentary.underline = lower.find("underline,") != std::string::npos;
            } else if (reader_.LineStartsWith("\tAlign = ", &field)) {
                if (ParseDocumentInteger(field, number) && number >= 0 && number <= 5)
                    commentary.align = static_cast<int>(number);
            } else if (ReadFraction(field, "\tLeft: ", commentary.left, real) ||
                       ReadFraction(field, "\tTop: ", commentary.top, real) ||
                       ReadFraction(field, "\tWide: ", commentary.wide, real) ||
                       ReadFraction(field, "\tHigh: ", commentary.high, real)) {
            } else {
                Warn(fieldLine, "unknown line \"" + std::string(reader_.PeekLine().substr(0, 40)) +
                                    "\" in the commentary skipped");
            }
            reader_.SkipLine();
        }
        if (commentary.text.empty()) {
            if (commentary.hasFont)
                Warn(lineNumber, "an empty commentary was dropped");
            return;
        }
        doc_.commentary = std::move(commentary);
    }

    // A screen fraction after keyword: finite and within ten screens.
    bool ReadFraction(std::string_view& field, std::string_view keyword, std::optional<Extended>& target,
                      long double& value)
    {
        if (!reader_.LineStartsWith(keyword, &field))
            return false;
        if (ParseDocumentReal(field, value) && value >= -10 && value <= 10)
            target = value;
        else
            Warn(reader_.LineNumber(),
                 std::string(keyword.substr(1)) + "is out of range; the default is kept");
        return true;
    }

    void ReadWindow(std::string_view caption)
    {
        TWindowRecord window;
        window.caption = std::string(caption);
        reader_.SkipLine();
        if (!reader_.AtEnd() && !reader_.LineStartsWith("\t"))
            reader_.SkipLine(); // "Main Window: ", not used
        std::optional<Extended> left, wide, top, high;
        std::string_view field;
        long double real = 0;
        while (!reader_.AtEnd() && reader_.LineStartsWith("\t")) {
            const int fieldLine = reader_.LineNumber();
            long long number = 0;
            if (ReadFraction(field, "\tLeft: ", left, real) || ReadFraction(field, "\tWide: ", wide, real) ||
                ReadFraction(field, "\tTop: ", top, real) || ReadFraction(field, "\tHigh: ", high, real)) {
            } else if (reader_.LineStartsWith("\tState: ", &field)) {
                if (ParseDocumentInteger(field, number) && number >= 0 && number <= 2)
                    window.state = static_cast<int>(number);
                else
                    Warn(fieldLine, "the window state is out of range; the window is shown normally");
            } else {
                Warn(fieldLine, "unknown line \"" + std::string(reader_.PeekLine().substr(0, 40)) +
                                    "\" in the Window record skipped");
            }
            reader_.SkipLine();
        }
        window.left = left.value_or(0);
        window.wide = wide.value_or(0);
        window.top = top.value_or(0);
        window.high = high.value_or(0);
        doc_.window = std::move(window);
    }

    // The block in which older documents placed the equations panel.
    void ReadEquationsPanel()
    {
        reader_.SkipLine();
        TEquationsPanelRecord panel;
        std::string_view field;
        long double real = 0;
        while (!reader_.AtEnd() && reader_.LineStartsWith("\t")) {
            const int fieldLine = reader_.LineNumber();
            long long number = 0;
            if (reader_.LineStartsWith("\tVisible: ", &field)) {
                if (ParseDocumentInteger(field, number))
                    panel.visible = number != 0;
                else
                    Warn(fieldLine, "the equations window's visible flag cannot be read; it is shown");
            } else if (reader_.LineStartsWith("\tAlign = ", &field)) {
                if (ParseDocumentInteger(field, number) && number >= 0 && number <= 5)
                    panel.align = static_cast<int>(number);
                else
                    Warn(fieldLine, "the equations window's side is out of range; it floats");
            } else if (ReadFraction(field, "\tLeft: ", panel.left, real) ||
                       ReadFraction(field, "\tWide: ", panel.wide, real) ||
                       ReadFraction(field, "\tTop: ", panel.top, real) ||
                       ReadFraction(field, "\tHigh: ", panel.high, real)) {
            } else {
                Warn(fieldLine, "unknown line \"" + std::string(reader_.PeekLine().substr(0, 40)) +
                                    "\" in the Equations window block skipped");
            }
            reader_.SkipLine();
        }
        doc_.equationsPanel = panel;
    }

    void ReadScreenLayout()
    {
        reader_.SkipLine();
        std::vector<std::string> layout;
        while (!reader_.AtEnd() && !reader_.LineIs("\tScreen layout"))
            layout.push_back(reader_.ReadLine());
        if (!reader_.AtEnd())
            reader_.SkipLine();
        doc_.screenLayout = std::move(layout);
    }

    void ReadToolbar(std::string_view name, int lineNumber)
    {
        TToolbarPlace toolbar;
        toolbar.name = std::string(name);
        reader_.SkipLine();
        std::vector<std::string> fields;
        while (!reader_.AtEnd() && reader_.LineStartsWith("\t") && !reader_.LineStartsWith("\t\t"))
            fields.push_back(reader_.ReadLineTrimmed());
        long long numbers[6] = {1, 0, 0, 0, 0, 0};
        bool good = fields.size() == 7;
        for (std::size_t i = 1; good && i < 7; ++i)
            good = ParseDocumentInteger(fields[i], numbers[i - 1]) && numbers[i - 1] >= INT32_MIN &&
                   numbers[i - 1] <= INT32_MAX;
        if (!good) {
            Warn(lineNumber, "the Toolbar record of " + toolbar.name + " cannot be read; it was skipped");
            return;
        }
        toolbar.side = fields[0];
        toolbar.visible = numbers[0] != 0;
        for (std::size_t i = 0; i < 4; ++i)
            toolbar.bounds[i] = static_cast<int>(numbers[i + 1]);
        toolbar.alone = numbers[5] != 0;
        doc_.toolbars.push_back(std::move(toolbar));
    }

    void ReadAnnotation(int lineNumber)
    {
        reader_.SkipLine();
        TAnnotationRecord annotation;
        bool good = true;
        const auto readValue = [&](auto& target, bool real) {
            std::string_view value;
            if (!reader_.LineStartsWith("\t\t", &value))
                return;
            long double number = 0;
            long long integer = 0;
            if (real ? ParseDocumentReal(value, number)
                     : (ParseDocumentInteger(value, integer) && integer >= INT32_MIN &&
                        integer <= INT32_MAX)) {
                if constexpr (std::is_same_v<std::decay_t<decltype(target)>, int>)
                    target = static_cast<int>(integer);
                else
                    target = number;
            } else {
                good = false;
            }
            reader_.SkipLine();
        };
        if (reader_.LineIs("\tPosition: ")) {
            reader_.SkipLine();
            readValue(annotation.x, true);
            readValue(annotation.y, true);
        }
        if (reader_.LineIs("\tLine: ")) {
            reader_.SkipLine();
            readValue(annotation.dx, false);
            readValue(annotation.dy, false);
        }
        std::string_view value;
        long long colour = 0;
        if (reader_.LineStartsWith("\tcolour = ", &value)) {
            if (ParseDocumentInteger(value, colour) && colour >= -0x80000000LL && colour <= 0xFFFFFFFFLL)
                annotation.colour = static_cast<TColour>(static_cast<std::uint32_t>(colour));
            else
                good = false;
            reader_.SkipLine();
        }
        if (reader_.AtEnd()) {
            Warn(lineNumber, "an Annotation record without its text was skipped");
            return;
        }
        annotation.markup = reader_.ReadLine();
        if (!FormulaFromText(annotation.markup)) {
            Warn(lineNumber, "an Annotation record whose text cannot be read was skipped");
            return;
        }
        if (!good)
            Warn(lineNumber, "an Annotation record had a value that cannot be read; its default is kept");
        doc_.annotations.push_back(std::move(annotation));
    }

    TMathsReader& reader_;
    TDocument& doc_;
    std::vector<std::pair<std::unique_ptr<TRescaleDataTransfer>, int>> scalings_;
    bool graphNamesSeen_ = false, dragCurvesSeen_ = false, repeatsDelaySeen_ = false, accuracySeen_ = false;
    bool statsSeen_ = false;
    std::optional<long long> pencilDelay_;
};

} // namespace

TReadResult ReadDocument(std::string data, TDocument& document, bool report)
{
    TMathsReader reader(std::move(data));
    document.settings = DefaultConfiguration;
    document.settings.PrintName = Configuration.PrintName;
    if (!reader.MatchKeyword("Lumacurve")) {
        std::vector<std::pair<Extended, Extended>> points;
        int leftover = 0;
        if (report && ImportNumberPairs(reader.Data(), points, &leftover)) {
            document.lines.lines.push_back(MakeDataPointsRecord(points));
            document.numberPairPoints = points.size();
            // What was read, said the way every read reports: nothing was lost by it.
            document.warnings.push_back(TDocumentWarning{1,
                                                         "the file holds number pairs, read as one set of " +
                                                             std::to_string(points.size()) + " data points",
                                                         true});
            if (leftover)
                document.warnings.push_back(TDocumentWarning{
                    leftover, "the last number has no partner to make a point with; it was left out"});
            return TReadResult::NumberPairs;
        }
        return TReadResult::NotDocument;
    }
    if (!reader.MatchKeyword(" for windows version ")) {
        // The older binary layout: what follows the word is its header.
        TReadResult result = ReadLegacyDocument(std::string_view(reader.Data()).substr(9), document);
        if (result == TReadResult::NotDocument)
            document.settings = DefaultConfiguration;
        return result;
    }
    std::string version = reader.ReadLine().substr(0, 10);
    while (!version.empty() && version.back() == ' ')
        version.pop_back();
    reader.SetFileVersion(version);
    document.fileVersion = version;
    if (CompareVersions(version, CurrentFileVersion) > 0)
        return TReadResult::TooNew;

    TDocumentBodyReader body(reader, document);
    body.Read();
    TAngleFactorScope angle(document.settings.AngleFactor);
    TEquationListReader equations(reader, document.lines, document.warnings);
    equations.ReadAll(document.selectedLine);
    body.FinishScalings(equations.Declared());
    std::stable_sort(document.warnings.begin(), document.warnings.end(),
                     [](const TDocumentWarning& a, const TDocumentWarning& b) { return a.line < b.line; });
    return TReadResult::Document;
}

bool ReadEquationList(TMathsReader& reader, TOwnedLines& lines, int& selectedLine,
                      std::vector<TDocumentWarning>* warnings)
{
    std::vector<TDocumentWarning> local;
    TEquationListReader equations(reader, lines, warnings ? *warnings : local);
    return equations.ReadAll(selectedLine);
}
