#include "document/document.h"

#include "document/documentrecord.h"
#include "formula/markup.h"
#include "geometry/coordcurve.h"
#include "graph/axes.h"
#include "graph/axis.h"
#include "graph/graphparams.h"
#include "graph/scalehost.h"
#include "settings/mathsreader.h"
#include "settings/mathswriter.h"

#include <QFile>
#include <QSaveFile>

TDocument::TDocument() = default;
TDocument::~TDocument() = default;

void TDocument::CaptureSettings()
{
    settings = Configuration;
    backgroundColour = BackgroundColour;
    printColourOption = PrintColourOption;
    graphPaperColour = GraphPaperColour;
    fontName = EquationsFontName;
    fontHeight = EquationsFontHeight;
    dragLayout = DragLayout;
    statsOptions = StatsOptions;
}

void TDocument::ApplySettings() const
{
    std::string printName = Configuration.PrintName;
    Configuration = settings;
    Configuration.PrintName = std::move(printName);
    BackgroundColour = backgroundColour;
    PrintColourOption = printColourOption;
    GraphPaperColour = graphPaperColour;
    EquationsFontName = fontName;
    EquationsFontHeight = fontHeight;
    DragLayout = dragLayout;
    StatsOptions = statsOptions;
    PublishSettings();
}

void TDocument::CaptureScales(const TGraphParams& params)
{
    xScaling = CloneNumber(params.Axes->XAxis->Scaling.get());
    yScaling = CloneNumber(params.Axes->YAxis->Scaling.get());
    scalings.clear();
    if (params.Axes->Scales)
        scalings.push_back(params.Axes->Scales->Clone());
    for (const auto& entry : params.History)
        scalings.push_back(entry->Clone());
}

void TDocument::ApplyScales(TGraphParams& params, TScaleHost* window) const
{
    params.Axes->SetAxisScaling(0, CloneNumber(xScaling.get()));
    params.Axes->SetAxisScaling(1, CloneNumber(yScaling.get()));
    if (scalings.empty())
        return;
    params.History.clear();
    params.Axes->ApplyScales(scalings.front()->Clone(), window);
    for (std::size_t i = 1; i < scalings.size() && params.History.size() < TGraphParams::MaxHistory; ++i)
        params.History.push_back(scalings[i]->Clone());
    if (window)
        window->ScaleListChanged();
}

std::string ReadResultMessage(TReadResult result)
{
    switch (result) {
    case TReadResult::Document:
    case TReadResult::NumberPairs:
    case TReadResult::Legacy:
        return {};
    case TReadResult::NotDocument:
        return "Lumacurve cannot open this file.";
    case TReadResult::TooNew:
        return "You need the latest version of Lumacurve";
    }
    return {};
}

TReadResult ReadDocumentLines(const std::vector<std::string>& lines, TDocument& document)
{
    std::string data;
    for (const std::string& line : lines) {
        data += line;
        data += "\r\n";
    }
    return ReadDocument(std::move(data), document, false);
}

bool LoadDocument(const QString& path, TDocument& document, std::string& error, TReadResult* result)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = "cannot open " + path.toStdString() + ": " + file.errorString().toStdString();
        return false;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        error = "cannot read " + path.toStdString() + ": " + file.errorString().toStdString();
        return false;
    }
    return LoadDocumentData(bytes.toStdString(), document, error, result);
}

bool LoadDocumentData(std::string data, TDocument& document, std::string& error, TReadResult* result)
{
    const TReadResult read = ReadDocument(std::move(data), document, true);
    if (result)
        *result = read;
    error = ReadResultMessage(read);
    return error.empty();
}

bool SaveDocument(const TDocument& document, const QString& path, std::string& error,
                  const std::vector<TEquationObject*>* lines)
{
    const std::string text = DocumentText(document, lines);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        error = "cannot save " + path.toStdString() + ": " + file.errorString().toStdString();
        return false;
    }
    if (file.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size())) {
        error = "cannot save " + path.toStdString() + ": " + file.errorString().toStdString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        error = "cannot save " + path.toStdString() + ": " + file.errorString().toStdString();
        return false;
    }
    return true;
}

bool ReadEquationListText(std::string text, TOwnedLines& lines, int& selectedLine,
                          std::vector<TDocumentWarning>* warnings)
{
    // Undo snapshots end with a NUL byte.
    if (const auto nul = text.find('\0'); nul != std::string::npos)
        text.resize(nul);
    TMathsReader reader(std::move(text));
    return ReadEquationList(reader, lines, selectedLine, warnings);
}

std::string FormulaToText(const TEditorObject* list)
{
    return ElementsToText(list);
}

TElementList FormulaFromText(std::string_view text)
{
    try {
        return ElementsFromText(text);
    } catch (const std::exception&) {
        return nullptr;
    }
}

bool ImportNumberPairs(std::string_view data, std::vector<std::pair<Extended, Extended>>& points,
                       int* leftoverLine)
{
    // Each number with the line it stands on.
    std::vector<std::pair<Extended, int>> numbers;
    std::string token;
    int line = 1, tokenLine = 1;
    const auto finish = [&] {
        if (token.empty())
            return true;
        long double value = 0;
        if (!ParseDocumentReal(token, value))
            return false;
        numbers.emplace_back(value, tokenLine);
        token.clear();
        return true;
    };
    for (std::size_t i = 0; i < data.size(); ++i) {
        const char c = data[i];
        // A comma, a line end, a blank or a tab ends a number: two number
        // texts with only blanks between them are two numbers, never one.
        if (c == ',' || c == '\r' || c == '\n' || c == ' ' || c == '\t') {
            if (!finish())
                return false;
            // CR LF, a lone CR and a lone LF each end one line.
            if (c == '\n' || (c == '\r' && (i + 1 >= data.size() || data[i + 1] != '\n')))
                ++line;
            continue;
        }
        if (token.empty())
            tokenLine = line;
        token.push_back(c);
    }
    if (!finish() || numbers.size() < 2)
        return false;
    points.clear();
    for (std::size_t i = 0; i + 1 < numbers.size(); i += 2)
        points.emplace_back(numbers[i].first, numbers[i + 1].first);
    if (leftoverLine)
        *leftoverLine = numbers.size() % 2 ? numbers.back().second : 0;
    return true;
}

std::unique_ptr<TEquationObject>
MakeDataPointsRecord(const std::vector<std::pair<Extended, Extended>>& points)
{
    std::unique_ptr<TDataPoints> set = MakeDataPoints(points);
    set->colour = CurveColour(0);
    return set;
}
