// TDocument: everything a .lcv document holds, as a model without widgets:
// the settings with the values kept beside them, the statistics options, the
// scales in the terms of TGraphParams, the commentary, window, screen layout
// and toolbar records, the annotations, and the owned list of equation lines.
// Reading never stops on a bad record: what cannot be used is skipped or kept
// as its text and reported as a warning with its line number. The main
// window loads this model into its windows and captures it back to save.
#pragma once

#include "expr/realreader.h"
#include "geometry/statistics.h"
#include "graph/linesource.h"
#include "graph/rescaledatatransfer.h"
#include "settings/configuration.h"
#include "settings/toolbarrecord.h"

#include <QString>

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class TGraphParams;
class TMathsReader;
class TMathsWriter;
class TScaleHost;

// A problem met while reading: the line of the data where the record or
// field starts (1 for the first line), and why it was skipped, repaired or
// kept as text.
struct TDocumentWarning {
    int line = 0;
    std::string text;
    bool note = false; // information only: nothing was skipped, repaired or lost
    // Where the problem lies when the data has no lines ("record 3", "header");
    // empty for a text document, whose line says it.
    std::string place{};
};

// The commentary text with its font and panel placement.
struct TCommentaryRecord {
    std::string text; // lines separated by CR LF, byte for byte
    bool hasFont = false;
    std::string fontName;
    int fontSize = 10; // points
    TColour fontColour = clBlack;
    bool bold = false, italic = false, underline = false;
    int align = 0; // dock side code, 0 floating
    // Panel bounds as fractions of the screen width (left, wide) and height
    // (top, high), in the fixed real form; absent parts stay absent.
    std::optional<Extended> left, top, wide, high;
};

// Where an older document put the equations panel: shown or hidden, the dock
// side code (0 floating, 1 top, 2 bottom, 3 left, 4 right, 5 filling), and
// its bounds as fractions of the screen as far as they were given.
struct TEquationsPanelRecord {
    bool visible = true;
    int align = 0;
    std::optional<Extended> left, top, wide, high;
};

// The main window's placement: fractions of the screen, and its state.
struct TWindowRecord {
    std::string caption;
    Extended left = 0, wide = 0, top = 0, high = 0;
    int state = 0; // 0 normal, 1 minimised, 2 maximised
};

// A text box on the graph: anchor in graph units, offset in pixels, colour,
// and its text as one formula line of markup.
struct TAnnotationRecord {
    Extended x = 0, y = 0;
    int dx = 0, dy = 0;
    TColour colour = clBlack;
    std::string markup;
};

class TDocument {
public:
    TDocument();
    ~TDocument();
    TDocument(const TDocument&) = delete;
    TDocument& operator=(const TDocument&) = delete;

    std::string fileVersion{"3.101"}; // the version the document was read as

    // Settings and the values kept beside them.
    TConfiguration settings;
    TColour backgroundColour = clWhite;
    std::uint8_t printColourOption = 0;
    std::uint8_t graphPaperColour = 0;
    std::string fontName = "DejaVu Sans";
    int fontHeight = -16;
    bool dragLayout = true;
    TStatsOptions statsOptions;
    // Older documents only: the height the equations window was laid out for.
    std::optional<int> equationsWindowHeight;

    // Scales: the axis scale factors (none means 1), then the scalings:
    // the first is the scaling in force, the others the stored list in order.
    TRealReaderPtr xScaling, yScaling;
    std::vector<std::unique_ptr<TRescaleDataTransfer>> scalings;

    std::optional<TCommentaryRecord> commentary;
    std::optional<TWindowRecord> window;
    // The docking layer's lines between the two "Screen layout" lines.
    std::optional<std::vector<std::string>> screenLayout;
    std::vector<TToolbarPlace> toolbars;
    // Documents older than version 3: which toolbars are shown (by component
    // name); they say nothing about where the toolbars stand.
    std::vector<std::pair<std::string, bool>> toolbarVisibility;
    // Documents older than version 3: the "Equations window" block.
    std::optional<TEquationsPanelRecord> equationsPanel;
    bool whiteboard = false;
    std::vector<TAnnotationRecord> annotations;

    // The equation lines in list order (owned) and the selected one (-1 none).
    TOwnedLines lines;
    int selectedLine = -1;

    std::vector<TDocumentWarning> warnings;
    // The points read when the data was number pairs (0 otherwise).
    std::size_t numberPairPoints = 0;

    // Takes the settings, kept values and statistics options in force.
    void CaptureSettings();
    // Makes the document's settings, kept values and statistics options the
    // ones in force (the print name is kept).
    void ApplySettings() const;
    // Takes the axis scale factors, the scales in force and the stored list.
    void CaptureScales(const TGraphParams& params);
    // Applies the first scaling (when there is one) and puts the others in
    // the stored list in their order; sets the axis scale factors. Invalid
    // scalings never reach here (the reader drops them with a warning).
    void ApplyScales(TGraphParams& params, TScaleHost* window) const;
};

// How a read ended.
enum class TReadResult {
    Document,    // a current-format document (warnings may say what was lost)
    NumberPairs, // number pairs were read into one data-point line
    NotDocument, // neither a document nor number pairs
    TooNew,      // a newer version: nothing read beyond the header
    Legacy,      // a document of the older binary layout, converted (warnings say what changed)
};

// The message the user sees for a result other than Document, or empty.
[[nodiscard]] std::string ReadResultMessage(TReadResult result);

// Reads data into document (which should be fresh). Lines are classified by
// equation entry under the document's angle measure; names declared further
// down are resolved after all records are in. With report set, data that is
// not a document is tried as number pairs. Never throws; never stops on a
// bad record.
TReadResult ReadDocument(std::string data, TDocument& document, bool report = true);
// ReadDocument of text handed over as lines (the automation server).
TReadResult ReadDocumentLines(const std::vector<std::string>& lines, TDocument& document);

// Writes every section of the document in order. lines, when given, are
// written as its equation records instead of document.lines (a window that
// holds the equations itself).
void WriteDocument(const TDocument& document, TMathsWriter& writer,
                   const std::vector<TEquationObject*>* lines = nullptr);
// The document's bytes as WriteDocument writes them.
[[nodiscard]] std::string DocumentText(const TDocument& document,
                                       const std::vector<TEquationObject*>* lines = nullptr);

// Reads a file; false with the reason in error when it cannot be opened or
// is not a current document (error then holds the user's message).
bool LoadDocument(const QString& path, TDocument& document, std::string& error,
                  TReadResult* result = nullptr);
// LoadDocument of bytes already read.
bool LoadDocumentData(std::string data, TDocument& document, std::string& error,
                      TReadResult* result = nullptr);
// Writes the document to a temporary file beside path and renames it over
// path only when everything was written, so a failed save never destroys
// the previous document. False with the reason in error.
bool SaveDocument(const TDocument& document, const QString& path, std::string& error,
                  const std::vector<TEquationObject*>* lines = nullptr);

// The equation records and the selected-line line: the undo snapshot.
void WriteEquationList(const std::vector<TEquationObject*>& lines, int selectedLine, TMathsWriter& writer);
[[nodiscard]] std::string EquationListText(const std::vector<TEquationObject*>& lines, int selectedLine);
// Reads equation records and the selected-line line into lines (appending)
// and selectedLine (as an index of lines, -1 when absent or invalid).
// Answers false when a record had to be skipped or data is left unread.
bool ReadEquationList(TMathsReader& reader, TOwnedLines& lines, int& selectedLine,
                      std::vector<TDocumentWarning>* warnings = nullptr);
bool ReadEquationListText(std::string text, TOwnedLines& lines, int& selectedLine,
                          std::vector<TDocumentWarning>* warnings = nullptr);

// A formula line as clipboard text (its markup) and back. FormulaFromText
// answers nullptr when the text is not readable markup.
[[nodiscard]] std::string FormulaToText(const TEditorObject* list);
[[nodiscard]] TElementList FormulaFromText(std::string_view text);

// Number pairs (x, y): number texts separated by commas, line ends, blanks or
// tabs (blanks beside a comma or a line end add nothing). False when a number
// does not convert or no pair was read. A number left over at the end has no
// partner: it is not a point, and leftoverLine (when given) gets its line
// (1 for the first; 0 when every number has its partner).
bool ImportNumberPairs(std::string_view data, std::vector<std::pair<Extended, Extended>>& points,
                       int* leftoverLine = nullptr);
