// Documents: hand-written documents read back and written out byte for
// byte; damaged documents keep what survives and say what was lost; the
// reading rules of settings and versions; saving never destroys the old file.
#include "document/document.h"
#include "document/documentrecord.h"
#include "documentsamples.h"
#include "entry/declarationlines.h"
#include "formula/markup.h"
#include "geometry/coordcurve.h"
#include "plot/formulacurve.h"
#include "settings/mathsreader.h"
#include "settings/mathswriter.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

namespace {

using documentsamples::Full;
using documentsamples::WithCrLf;

std::string Replaced(std::string text, std::string_view from, std::string_view to)
{
    const auto at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos)
        text.replace(at, from.size(), to);
    return text;
}

bool HasWarning(const TDocument& doc, int line, std::string_view part)
{
    for (const TDocumentWarning& warning : doc.warnings)
        if ((line == 0 || warning.line == line) && warning.text.find(part) != std::string::npos)
            return true;
    return false;
}

std::string Warnings(const TDocument& doc)
{
    std::string all;
    for (const TDocumentWarning& warning : doc.warnings)
        all += std::to_string(warning.line) + ": " + warning.text + "\n";
    return all;
}

const char* Kind(const TEquationObject* line)
{
    if (dynamic_cast<const TKeptRecord*>(line))
        return "kept";
    if (dynamic_cast<const TNeedsDefinitions*>(line))
        return "waiting";
    if (dynamic_cast<const TDynamicConstantEquation*>(line))
        return "constant";
    if (dynamic_cast<const TDeclaredFunctionEquation*>(line))
        return "function";
    if (dynamic_cast<const TEditor*>(line))
        return "plain";
    if (const auto* list = dynamic_cast<const TCoordCurve*>(line))
        return list->KindName();
    return KindName(*line);
}

std::string Kinds(const TDocument& doc)
{
    std::string kinds;
    for (const auto& line : doc.lines.lines)
        kinds += std::string(kinds.empty() ? "" : " ") + Kind(line.get());
    return kinds;
}

} // namespace

TEST(Document, HandWrittenDocumentsReadBackAndWriteOutByteForByte)
{
    for (const std::string* sample : {&documentsamples::Full, &documentsamples::Curves}) {
        TDocument doc;
        ASSERT_EQ(ReadDocument(*sample, doc), TReadResult::Document);
        EXPECT_EQ(DocumentText(doc), *sample);
        // An LF-only copy reads the same and is written with CR LF again.
        std::string lf = *sample;
        std::erase(lf, '\r');
        if (sample == &Full)
            lf = Replaced(lf, "Line one\nLine two", "Line one\r\nLine two");
        TDocument fromLf;
        ASSERT_EQ(ReadDocument(lf, fromLf), TReadResult::Document);
        EXPECT_EQ(DocumentText(fromLf), *sample);
    }
}

TEST(Document, EverySectionReachesTheModel)
{
    TDocument doc;
    ASSERT_EQ(ReadDocument(Full, doc), TReadResult::Document);
    const TConfiguration& s = doc.settings;
    EXPECT_TRUE(s.Radians());
    EXPECT_EQ(s.MouseFigures, 3);
    EXPECT_TRUE(s.Pause);
    EXPECT_EQ(s.RepeatsDelay, 7);
    EXPECT_EQ(s.ThickLines, 2);
    EXPECT_EQ(s.ZoomFactor, 250);
    EXPECT_FALSE(s.ShadeShapes);
    EXPECT_TRUE(s.DefineConstants);
    EXPECT_FALSE(s.AutoAccuracy);
    EXPECT_FALSE(s.ShowGraphNames);
    EXPECT_EQ(s.Password, "secret");
    EXPECT_FALSE(s.Unlocked);
    EXPECT_TRUE(s.TransformDialogs);
    EXPECT_EQ(s.Accuracy, 25);
    EXPECT_FALSE(doc.dragLayout);
    EXPECT_FALSE(doc.statsOptions.flags[1]);
    EXPECT_TRUE(doc.statsOptions.flags[3]); // Median
    EXPECT_EQ(doc.fontName, "DejaVu Serif");
    EXPECT_EQ(doc.fontHeight, -13);
    EXPECT_EQ(doc.backgroundColour, 15790320u);
    EXPECT_EQ(doc.printColourOption, 1);
    EXPECT_EQ(doc.graphPaperColour, 1);
    ASSERT_TRUE(doc.xScaling);
    EXPECT_NEAR(static_cast<double>(doc.xScaling->Value()), 3.14159265, 1e-8);
    EXPECT_FALSE(doc.yScaling);
    ASSERT_EQ(doc.scalings.size(), 2u);
    EXPECT_NEAR(static_cast<double>(doc.scalings[0]->XMaxValue()), 6.283185, 1e-9);
    EXPECT_EQ(doc.scalings[0]->XScalingText, "{p");
    EXPECT_TRUE(doc.scalings[1]->Square);
    ASSERT_TRUE(doc.commentary);
    EXPECT_EQ(doc.commentary->text, "Line one\r\nLine two");
    EXPECT_TRUE(doc.commentary->bold && doc.commentary->underline && !doc.commentary->italic);
    EXPECT_EQ(doc.commentary->align, 2);
    ASSERT_TRUE(doc.window);
    EXPECT_EQ(doc.window->caption, "Lumacurve - worksheet.lcv");
    EXPECT_EQ(doc.window->state, 2);
    EXPECT_NEAR(static_cast<double>(doc.window->wide), 0.9, 1e-12);
    ASSERT_TRUE(doc.screenLayout);
    EXPECT_EQ(doc.screenLayout->size(), 3u);
    ASSERT_EQ(doc.toolbars.size(), 2u);
    EXPECT_EQ(doc.toolbars[1].side, "Floating");
    EXPECT_EQ(doc.toolbars[1].bounds[3], 30);
    EXPECT_TRUE(doc.toolbars[1].alone);
    EXPECT_TRUE(doc.whiteboard);
    ASSERT_EQ(doc.annotations.size(), 1u);
    EXPECT_EQ(doc.annotations[0].dy, -20);
    EXPECT_EQ(doc.annotations[0].markup, "y=x{^{2}");
    EXPECT_EQ(Kinds(doc), "constant TYofX kept plain kept");
    EXPECT_EQ(doc.lines.lines[1]->style, 2);
    EXPECT_EQ(doc.lines.lines[1]->thickness, 3);
    EXPECT_EQ(doc.lines.lines[1]->Switches(), 4);
    EXPECT_EQ(doc.lines.lines[2]->GetParent(), doc.lines.lines[1].get());
    auto* constant = dynamic_cast<TDynamicConstantEquation*>(doc.lines.lines[0].get());
    ASSERT_TRUE(constant);
    EXPECT_EQ(constant->Constant().Step().Value(), 0.5L);
    EXPECT_EQ(doc.selectedLine, 1);
    // Kept records, and the faulty plain line, are named in warnings.
    EXPECT_TRUE(HasWarning(doc, 132, "Tangent at record is kept as text")) << Warnings(doc);
    EXPECT_TRUE(HasWarning(doc, 139, "plain line")) << Warnings(doc);
    EXPECT_TRUE(HasWarning(doc, 145, "Intersect record is kept as text")) << Warnings(doc);
    EXPECT_EQ(doc.warnings.size(), 3u) << Warnings(doc);
}

TEST(Document, SettingsFollowTheReadingRules)
{
    struct TRow {
        const char* what;
        std::function<std::string(std::string)> change;
        std::function<bool(const TConfiguration&)> holds;
    };
    const auto without = [](std::string_view line) {
        return [line](std::string text) { return Replaced(std::move(text), std::string(line) + "\r\n", ""); };
    };
    const auto replacing = [](std::string from, std::string to) {
        return [from, to](std::string text) { return Replaced(std::move(text), from, to); };
    };
    const auto version = [](std::string_view v) {
        return [v](std::string text) {
            return Replaced(std::move(text), "version 3.101", "version " + std::string(v));
        };
    };
    const std::vector<TRow> rows = {
        {"no password line: locked under the built-in password", without("Password: secret"),
         [](const TConfiguration& s) { return s.Password == BuiltInPassword && !s.Unlocked; }},
        {"an empty password opens unlocked", replacing("Password: secret", "Password: "),
         [](const TConfiguration& s) { return s.Password.empty() && s.Unlocked; }},
        {"no graph names line: takes show hints", without("Show graph names: 0"),
         [](const TConfiguration& s) { return s.ShowGraphNames == s.ShowHints; }},
        {"no drag curves line: off", without("Drag curves: 1"),
         [](const TConfiguration& s) { return !s.DragCurves; }},
        {"no demonstration line: default", without("Demonstration draw: 0"),
         [](const TConfiguration& s) { return !s.DemonstrationDraw; }},
        {"keywords ignore letter case", replacing("Zoom factor = 250", "ZOOM FACTOR = 300"),
         [](const TConfiguration& s) { return s.ZoomFactor == 300; }},
        {"any angle text but degrees is radians", replacing("= radians", "= degrees"),
         [](const TConfiguration& s) { return !s.Radians(); }},
        {"older than 2.0005 adds one to the thickness", version("2.0004"),
         [](const TConfiguration& s) { return s.ThickLines == 3; }},
        {"older than 2.0008: auto accuracy is accuracy 10", version("2.0007"),
         [](const TConfiguration& s) { return !s.AutoAccuracy && s.Accuracy == 25; }},
        {"older than 2: a zero delay takes half the pencil delay",
         [version](std::string t) {
             return Replaced(version("1.5")(std::move(t)), "Repeats delay = 7",
                             "Repeats delay = 0\r\nPencil delay: 9");
         },
         [](const TConfiguration& s) { return s.RepeatsDelay == 4; }},
        {"out of range values keep the default", replacing("Mouse figures: 3", "Mouse figures: 259"),
         [](const TConfiguration& s) { return s.MouseFigures == 2; }},
        {"zoom factor zero keeps the default", replacing("Zoom factor = 250", "Zoom factor = 0"),
         [](const TConfiguration& s) { return s.ZoomFactor == 200; }},
        {"accuracy zero keeps the default", replacing("Accuracy = 25", "Accuracy = 0"),
         [](const TConfiguration& s) { return s.Accuracy == 10; }},
        {"an unknown line does not hide the settings after it",
         replacing("Pause: 1", "Pause: 1\r\nSome later setting: 5\r\n\tits detail"),
         [](const TConfiguration& s) {
             return s.RepeatsDelay == 7 && s.ZoomFactor == 250 && s.Accuracy == 25;
         }},
        {"a line longer than 255 characters is consumed whole",
         replacing("Pause: 1", "Pause: 1\r\nNote: " + std::string(300, 'x') + "Zoom factor = 150"),
         [](const TConfiguration& s) { return s.ZoomFactor == 250; }},
        {"3.004 is read", version("3.004"), [](const TConfiguration& s) { return s.Accuracy == 25; }},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.what);
        TDocument doc;
        ASSERT_EQ(ReadDocument(row.change(Full), doc), TReadResult::Document);
        EXPECT_TRUE(row.holds(doc.settings)) << Warnings(doc);
        EXPECT_EQ(Kinds(doc), "constant TYofX kept plain kept");
    }
}

TEST(Document, DamagedDocumentsKeepWhatSurvives)
{
    struct TRow {
        const char* what;
        std::string from, to;
        int warningLine;
        const char* warning;
        const char* kinds;
        int selected;
    };
    const std::vector<TRow> rows = {
        // The constant's record is dropped: the curve using it waits for
        // it, and the line numbers after it move down by one.
        {"unreadable markup drops one record", "Curve\r\na=2\r\n", "Curve\r\na={/{2\r\n", 119,
         "cannot be read", "waiting kept plain kept", 0},
        {"a cell left open ends at the line end", "Curve\r\na=2\r\n", "Curve\r\na={sqrt{2\r\n", 119,
         "cannot be read", "waiting kept plain kept", 0},
        // A NUL inside a line would glue its two halves into another text
        // ("a=" and "2" read as "a=2" only once written and read again).
        {"a NUL byte inside a line", "Curve\r\na=2\r\n",
         std::string("Curve\r\na=\0"
                     "2\r\n",
                     13),
         119, "cannot be read", "waiting kept plain kept", 0},
        {"an unknown record is skipped", "Curve\r\na=2\r\n", "Shape\r\n\tsides 4\r\nCurve\r\na=2\r\n", 119,
         "unknown line \"Shape\"", "constant TYofX kept plain kept", 1},
        {"an unknown field in a record is skipped", "\tStep:  5.000000E-0001\r\n",
         "\tStep:  5.000000E-0001\r\n\tGlow: 3\r\n", 126, "Glow", "constant TYofX kept plain kept", 1},
        {"a selected line that does not exist", "Selected curve no: 1", "Selected curve no: 70000", 149,
         "does not exist", "constant TYofX kept plain kept", -1},
        {"a primary line that does not exist", "primary equation number = 1", "primary equation number = 9",
         132, "kept as text", "constant TYofX kept plain kept", 1},
        {"a zero-width scaling is dropped", "\t\tmax =  6.283185E+0000", "\t\tmax = -6.283185E+0000", 50,
         "scaling was dropped", "constant TYofX kept plain kept", 1},
        {"a commentary longer than the file", "Commentary: 18", "Commentary: 99999999999", 69,
         "shorter than its length", "", -1},
        {"a bad line thickness keeps the default", "Line thickness = 3", "Line thickness = 70000", 131,
         "out of range", "constant TYofX kept plain kept", 1},
        // Entry completes an unfinished line it is given; the line read
        // must stay as it was typed, or every save would add to it.
        {"an unfinished line stays as typed", "y=3x+\r\n", "x=cos t\ty=sin t\tt=0\r\n", 139, "plain line",
         "constant TYofX kept plain kept", 1},
        // A bound with more digits than the fixed form keeps is held as it
        // will be written, so it passes the scale checks the same way again.
        {"a bound just inside the limits", "\t\tmin = -2.000000E+0000", "\t\tmin = -99999999999999999995.0",
         132, "kept as text", "constant TYofX kept plain kept", 1},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.what);
        TDocument doc;
        ASSERT_EQ(ReadDocument(Replaced(Full, row.from, row.to), doc), TReadResult::Document);
        EXPECT_TRUE(HasWarning(doc, row.warningLine, row.warning)) << Warnings(doc);
        EXPECT_EQ(Kinds(doc), row.kinds);
        EXPECT_EQ(doc.selectedLine, row.selected);
        // Whatever was read is written so that it reads back the same.
        const std::string written = DocumentText(doc);
        TDocument again;
        ASSERT_EQ(ReadDocument(written, again), TReadResult::Document);
        EXPECT_EQ(DocumentText(again), written);
    }
}

TEST(Document, KeptRecordsFollowTheLinesTheyName)
{
    TDocument doc;
    ASSERT_EQ(ReadDocument(Replaced(Full, "Curve\r\na=2\r\n", "Curve\r\na={/{2\r\n"), doc),
              TReadResult::Document);
    const std::string written = DocumentText(doc);
    EXPECT_NE(written.find("\tprimary equation number = 0\r\n"), std::string::npos);
    EXPECT_NE(written.find("Intersect\r\n\tcolour = 255\r\n\tCurve\t0\r\n\tCurve\t1\r\n"), std::string::npos);
    EXPECT_NE(written.find("Selected curve no: 0\r\n"), std::string::npos);
    // The line still waiting for "a" is written as it was typed.
    EXPECT_NE(written.find("Curve\r\ny=a{\xB4x{^{2}\r\n\tcolour = 16777232\r\n\tstyle = 2\r\n"),
              std::string::npos);
    // Deleting the primary of a kept record leaves it with none.
    doc.lines.lines.erase(doc.lines.lines.begin());
    EXPECT_NE(DocumentText(doc).find("\tprimary equation number = -1\r\n"), std::string::npos);
}

TEST(Document, KeptRecordsOfOlderVersionsAreWrittenInTheCurrentMarkup)
{
    // Older versions stored a matrix's columns first; a kept record is
    // written under the current header, so its matrix must be written rows
    // first or it reads back as another shape (and may become another line).
    const std::string text = WithCrLf("Lumacurve for windows version 1.5\nCurve\ny=x\nCurve\n"
                                      "{Mtrx \x01\x02{1}{2}\n\tprimary equation number = 0\n"
                                      "Selected curve no: 0\n");
    TDocument doc;
    ASSERT_EQ(ReadDocument(text, doc), TReadResult::Document);
    ASSERT_EQ(doc.lines.lines.size(), 2u);
    const std::string written = DocumentText(doc);
    EXPECT_NE(written.find("Curve\r\n{Mtrx \x02\x01{1}{2}\r\n\tprimary equation number = 0\r\n"),
              std::string::npos)
        << written;
    TDocument again;
    ASSERT_EQ(ReadDocument(written, again), TReadResult::Document);
    EXPECT_EQ(DocumentText(again), written);

    // A record of the current version keeps its bytes.
    TDocument current;
    ASSERT_EQ(ReadDocument(Replaced(text, "version 1.5", "version 3.101"), current), TReadResult::Document);
    EXPECT_NE(DocumentText(current).find("Curve\r\n{Mtrx \x01\x02{1}{2}\r\n"), std::string::npos);
}

TEST(Document, ARenamedCurveKeepsItsFormulaAsTyped)
{
    // Written back from its tree, a renamed curve kept only the figures a
    // line shows (123456.789 became 123456.79) and an implicit curve became
    // "0=..." with brackets.
    const char* formulas[] = {"y=123456.789x", "x{^{2}+y{^{2}=4", "r=1.234567891{q\tfor 2 revs"};
    for (const char* formula : formulas) {
        SCOPED_TRACE(formula);
        const std::string record = std::string("Curve\r\n") + formula + "\r\n\tDescription: my curve\r\n";
        TDocument doc;
        ASSERT_EQ(ReadDocument(WithCrLf("Lumacurve for windows version 3.101\n") + record +
                                   "Selected curve no: 0\r\n",
                               doc),
                  TReadResult::Document);
        const std::string written = DocumentText(doc);
        EXPECT_NE(written.find(record), std::string::npos) << written;
        TDocument again;
        ASSERT_EQ(ReadDocument(written, again), TReadResult::Document);
        EXPECT_EQ(DocumentText(again), written);
    }
}

TEST(Document, NamesDeclaredFurtherDownAreResolvedWhateverTheSetting)
{
    const std::string lines = WithCrLf("Curve\ny=kx\nCurve\ny=qx\nCurve\nk=2\nSelected curve no: 0\n");
    for (const char* define : {"Define Constants: 0", "Define Constants: 1"}) {
        SCOPED_TRACE(define);
        TDocument doc;
        ASSERT_EQ(
            ReadDocument(WithCrLf("Lumacurve for windows version 3.101\n") + define + "\r\n" + lines, doc),
            TReadResult::Document);
        EXPECT_EQ(Kinds(doc), "TYofX waiting constant");
        EXPECT_EQ(doc.selectedLine, 0);
        // The resolved curve follows the constant; the waiting line keeps its text.
        const std::string written = EquationListText({doc.lines.lines[0].get(), doc.lines.lines[1].get()}, 0);
        EXPECT_NE(written.find("Curve\r\ny=qx\r\n"), std::string::npos);
    }
}

TEST(Document, AFunctionLineIsSavedAsTypedWithItsNumbersWhole)
{
    // Written from its tree, 1/3 became 0.33333333 and f(-8) had no value.
    const std::string text = WithCrLf("Lumacurve for windows version 3.101\nCurve\nf(x)=x{^{{/{1}{3}}\n"
                                      "Curve\ng(x)=x+{p\nSelected curve no: 0\n");
    TDocument doc;
    ASSERT_EQ(ReadDocument(text, doc), TReadResult::Document);
    TDocument again;
    ASSERT_EQ(ReadDocument(DocumentText(doc), again), TReadResult::Document);
    ASSERT_EQ(Kinds(again), "function function");
    const std::string written = DocumentText(again);
    EXPECT_NE(written.find("Curve\r\nf(x)=x{^{{/{1}{3}}\r\n"), std::string::npos) << written;
    EXPECT_NE(written.find("Curve\r\ng(x)=x+{p\r\n"), std::string::npos) << written;
    auto value = [&](int line, Extended x) {
        ParameterValue = x;
        return static_cast<TDeclaredFunctionEquation&>(*again.lines.lines[line])
            .Function()
            .EvaluateDefinition();
    };
    EXPECT_EQ(value(0, -8), -2);
    EXPECT_EQ(value(1, 0), Pi);
}

TEST(Document, VersionsAndOtherFiles)
{
    struct TRow {
        std::string data;
        TReadResult result;
        const char* kinds;
    };
    const std::vector<TRow> rows = {
        {Replaced(Full, "version 3.101", "version 3.2"), TReadResult::TooNew, ""},
        {Replaced(Full, "version 3.101", "version 4"), TReadResult::TooNew, ""},
        // Too short for the older binary layout's header: not taken for one.
        {"Lumacurve\x01\x02binary", TReadResult::NotDocument, ""},
        {"1,2\r\n3,4\r\n", TReadResult::NumberPairs, "TDataPoints"},
        {"1, 2\n3 ,4\n5,6", TReadResult::NumberPairs, "TDataPoints"},
        {"", TReadResult::NotDocument, ""},
        {"1,2\r\nthree,4\r\n", TReadResult::NotDocument, ""},
        {"\x89PNG\r\n\x1a\n", TReadResult::NotDocument, ""},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.data.substr(0, 40));
        TDocument doc;
        EXPECT_EQ(ReadDocument(row.data, doc), row.result);
        EXPECT_EQ(Kinds(doc), row.kinds);
    }
    EXPECT_EQ(ReadResultMessage(TReadResult::TooNew), "You need the latest version of Lumacurve");
    EXPECT_EQ(ReadResultMessage(TReadResult::NotDocument), "Lumacurve cannot open this file.");

    TDocument pairs;
    ASSERT_EQ(ReadDocument("1,2\r\n3,4\r\n", pairs), TReadResult::NumberPairs);
    EXPECT_TRUE(HasWarning(pairs, 1, "2 data points"));
    const std::string written = DocumentText(pairs);
    EXPECT_NE(written.find("Curve\r\nData points\r\n"), std::string::npos);
    EXPECT_NE(
        written.find("\t\tjoined: 0\r\n\t\tclosed: 0\r\n\t\tLabel from: A\r\n"
                     "\t\t( 1.000000E+0000, 2.000000E+0000)\r\n\t\t( 3.000000E+0000, 4.000000E+0000)\r\n"),
        std::string::npos);
}

TEST(Document, EveryTruncationReadsWithoutLosingEarlierSections)
{
    std::size_t lastLines = 0;
    for (std::size_t size = 0; size <= Full.size(); size += 7) {
        TDocument doc;
        const TReadResult result = ReadDocument(Full.substr(0, size), doc);
        if (size < 9)
            continue;
        // A prefix that stops inside the version line is no document at all.
        ASSERT_TRUE(result == TReadResult::Document || result == TReadResult::NotDocument) << size;
        // Lines only ever grow as more of the file is there (the last
        // record may be cut short and dropped).
        EXPECT_GE(doc.lines.lines.size() + 1, lastLines) << size;
        lastLines = doc.lines.lines.size();
    }
    EXPECT_EQ(lastLines, 5u);
}

TEST(Document, UndoSnapshotsAndClipboardTexts)
{
    TDocument doc;
    ASSERT_EQ(ReadDocument(Full, doc), TReadResult::Document);
    std::vector<TEquationObject*> lines;
    for (const auto& line : doc.lines.lines)
        lines.push_back(line.get());
    const std::string snapshot = EquationListText(lines, 1);
    TOwnedLines restored;
    int selected = -1;
    EXPECT_TRUE(ReadEquationListText(snapshot + std::string(1, '\0'), restored, selected));
    EXPECT_EQ(selected, 1);
    std::vector<TEquationObject*> restoredLines;
    for (const auto& line : restored.lines)
        restoredLines.push_back(line.get());
    EXPECT_EQ(EquationListText(restoredLines, selected), snapshot);

    const TElementList formula = FormulaFromText("y={/{1}{x}+{sqrt{x}");
    ASSERT_TRUE(formula);
    EXPECT_EQ(FormulaToText(formula.get()), "y={/{1}{x}+{sqrt{x}");
    EXPECT_FALSE(FormulaFromText("y={/{1}"));

    // Copy puts the markup on the clipboard, in the program's code page.
    TMathsWriter clip;
    WriteElementList(FormulaFromText("y=3{\xB4"
                                     "x")
                         .get(),
                     clip);
    ASSERT_TRUE(clip.FinishToClipboard());
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromUtf8("y=3{\u00B4x"));
    EXPECT_TRUE(clip.Text().empty());
}

TEST(Document, SavingReplacesTheOldFileOnlyWhenEverythingIsWritten)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("work.lcv");
    TDocument doc;
    ASSERT_EQ(ReadDocument(Full, doc), TReadResult::Document);
    std::string error;
    ASSERT_TRUE(SaveDocument(doc, path, error)) << error;
    TDocument loaded;
    ASSERT_TRUE(LoadDocument(path, loaded, error)) << error;
    EXPECT_EQ(DocumentText(loaded), Full);

    // A folder that cannot take the temporary file: the save fails with a
    // reason, and no partial file appears.
    const QString missing = dir.filePath("no such folder/work.lcv");
    EXPECT_FALSE(SaveDocument(doc, missing, error));
    EXPECT_NE(error.find("cannot save"), std::string::npos);
    EXPECT_FALSE(QFile::exists(missing));
    // A document path that is a folder is never replaced.
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder.lcv"));
    EXPECT_FALSE(SaveDocument(doc, dir.filePath("folder.lcv"), error));
    EXPECT_TRUE(QFileInfo(dir.filePath("folder.lcv")).isDir());

    EXPECT_FALSE(LoadDocument(dir.filePath("absent.lcv"), loaded, error));
    EXPECT_NE(error.find("cannot open"), std::string::npos);
}

TEST(Document, NumberPairsAreSeparatedByCommasLineEndsBlanksAndTabs)
{
    struct TRow {
        std::string data;
        std::vector<std::pair<double, double>> points; // empty: not number pairs
        int leftoverLine;
    };
    const std::vector<TRow> rows = {
        {"2 5\r\n4 7\r\n", {{2, 5}, {4, 7}}, 0},   // glued to (25, 47) once
        {"0.5 -1.25\n", {{0.5, -1.25}}, 0},        // once unreadable
        {"1.5, 2\r\n3 ,4", {{1.5, 2}, {3, 4}}, 0}, // blanks beside a comma add nothing
        {"1\t2\t\t3  4\r5 6", {{1, 2}, {3, 4}, {5, 6}}, 0},
        {"  1,2  \r\n\r\n 3,4 \r\n", {{1, 2}, {3, 4}}, 0},
        {"1 2\r\n3 4\r\n5\r\n", {{1, 2}, {3, 4}}, 3}, // the odd number is named with its line
        {"1,2\r3,4\r5", {{1, 2}, {3, 4}}, 3},         // a lone CR ends a line too
        {"1 2 3", {{1, 2}}, 1},
        {"1 2x 3 4", {}, 0},
        {"7", {}, 0},
        {"", {}, 0},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.data);
        std::vector<std::pair<Extended, Extended>> points;
        int leftover = -1;
        const bool read = ImportNumberPairs(row.data, points, &leftover);
        ASSERT_EQ(read, !row.points.empty());
        if (!read)
            continue;
        ASSERT_EQ(points.size(), row.points.size());
        for (std::size_t i = 0; i < points.size(); ++i) {
            EXPECT_EQ(static_cast<double>(points[i].first), row.points[i].first) << i;
            EXPECT_EQ(static_cast<double>(points[i].second), row.points[i].second) << i;
        }
        EXPECT_EQ(leftover, row.leftoverLine);
    }
}

TEST(Document, ReadingNumberPairsIsNoDamageButANumberLeftOverIs)
{
    TDocument pairs;
    ASSERT_EQ(ReadDocument("2 5\r\n4 7\r\n", pairs), TReadResult::NumberPairs);
    EXPECT_EQ(pairs.numberPairPoints, 2u);
    ASSERT_EQ(pairs.warnings.size(), 1u) << Warnings(pairs);
    EXPECT_TRUE(pairs.warnings[0].note);
    EXPECT_EQ(pairs.warnings[0].text, "the file holds number pairs, read as one set of 2 data points");
    EXPECT_NE(DocumentText(pairs).find("\t\t( 2.000000E+0000, 5.000000E+0000)\r\n"
                                       "\t\t( 4.000000E+0000, 7.000000E+0000)\r\n"),
              std::string::npos);

    TDocument odd;
    ASSERT_EQ(ReadDocument("2 5\r\n4 7\r\n9\r\n", odd), TReadResult::NumberPairs);
    EXPECT_EQ(odd.numberPairPoints, 2u);
    ASSERT_EQ(odd.warnings.size(), 2u) << Warnings(odd);
    EXPECT_FALSE(odd.warnings[1].note);
    EXPECT_TRUE(HasWarning(odd, 3, "no partner")) << Warnings(odd);
}

TEST(Document, AConstantsStepIsWrittenInTheFixedFormAndReadInEither)
{
    for (const char* step : {"\tStep:  5.000000E-0001\r\n", "\tStep:  5.000000E-0001\r\n"}) {
        SCOPED_TRACE(step);
        TDocument doc;
        ASSERT_EQ(ReadDocument(Replaced(Full, "\tStep:  5.000000E-0001\r\n", step), doc),
                  TReadResult::Document);
        auto* constant = dynamic_cast<TDynamicConstantEquation*>(doc.lines.lines[0].get());
        ASSERT_TRUE(constant);
        EXPECT_EQ(constant->Constant().Step().Value(), 0.5L);
        EXPECT_NE(
            DocumentText(doc).find("Curve\r\na=2\r\n\tcolour = 16777216\r\n\tstyle = 0\r\n"
                                   "\tSwitches = 0\r\n\tLine thickness = 1\r\n\tStep:  5.000000E-0001\r\n"),
            std::string::npos);
    }
}

TEST(Document, AFamilyIsSavedWithItsConstantAndReadBack)
{
    const std::string family = "m=2{fix \x05\x05{  (family of}{3}{, step}{0.25}{)}";
    const std::string text = WithCrLf("Lumacurve for windows version 3.101\nCurve\n") + family +
                             WithCrLf("\n\tStep:  2.500000E-0001\nCurve\ny=mx\nSelected curve no: 1\n");
    TDocument doc;
    ASSERT_EQ(ReadDocument(text, doc), TReadResult::Document);
    auto* m = dynamic_cast<TDynamicConstantEquation*>(doc.lines.lines[0].get());
    ASSERT_TRUE(m);
    EXPECT_EQ(Family.constant, &m->Constant());
    EXPECT_EQ(Family.extraMembers, 2);
    // Saved and read again (as Save and Open, or an undo snapshot and Undo, do): still a family of three.
    const std::string written = DocumentText(doc);
    EXPECT_NE(written.find("Curve\r\n" + family + "\r\n"), std::string::npos) << written;
    FamilyEnd();
    TDocument again;
    ASSERT_EQ(ReadDocument(written, again), TReadResult::Document);
    auto* reread = dynamic_cast<TDynamicConstantEquation*>(again.lines.lines[0].get());
    ASSERT_TRUE(reread);
    EXPECT_EQ(Family.constant, &reread->Constant());
    EXPECT_EQ(Family.extraMembers, 2);
    EXPECT_EQ(reread->Constant().Step().Value(), 0.25L);
    EXPECT_EQ(DocumentText(again), written);
    FamilyEnd();
}

TEST(Document, OlderDocumentsShowToolbarsAndPlaceTheEquationsPanel)
{
    const std::string text =
        WithCrLf("Lumacurve for windows version 2.0008\n"
                 "Stats options\n"
                 "File tools: 1\nZoom tools: 0\nInsert tools: 1\nAngleMeasure tools: 1\n"
                 "Toolbar align: 1\n"
                 "Window: Lumacurve\nMain Window: \n\tLeft:  0.000000E+0000\n\tState: 2\n"
                 "Equations window\n\tVisible: 1\n\tAlign = 1\n\tLeft:  0.000000E+0000\n"
                 "\tWide:  1.000000E+0000\n\tTop:  1.000000E-0001\n\tHigh:  2.500000E-0001\n"
                 "Curve\ny=x\nSelected curve no: 0\n");
    TDocument doc;
    ASSERT_EQ(ReadDocument(text, doc), TReadResult::Document);
    EXPECT_TRUE(doc.toolbars.empty()) << "the flags say nothing about where the toolbars stand";
    const std::vector<std::pair<std::string, bool>> shown = {
        {"ToolBarFile", true}, {"ToolBarZoom", false}, {"ToolBarInsert", true}, {"ToolBarAngle", true}};
    EXPECT_EQ(doc.toolbarVisibility, shown);
    ASSERT_TRUE(doc.equationsPanel);
    EXPECT_TRUE(doc.equationsPanel->visible);
    EXPECT_EQ(doc.equationsPanel->align, 1);
    EXPECT_EQ(doc.equationsPanel->high, 0.25L);
    EXPECT_EQ(doc.equationsPanel->top, 0.1L);
    EXPECT_EQ(Kinds(doc), "TYofX");
    EXPECT_TRUE(doc.warnings.empty()) << Warnings(doc);
}
