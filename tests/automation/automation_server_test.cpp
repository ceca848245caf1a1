// The automation server driven in process against a real offscreen main
// window: the document as text lines and as the stream a container keeps,
// files, verbs, extents, pictures, closing while a client holds the program,
// and the gate that answers Busy inside commands and modal loops.
#include "app/mainwindow_testing.h"
#include "automation/automationserver.h"
#include "platform/busygate.h"
#include "platform/drawinginterrupt.h"

#include <QDialog>
#include <QDockWidget>
#include <QScreen>
#include <QSignalSpy>
#include <QTimer>

#include <functional>
#include <limits>
#include <stdexcept>

namespace {

// ---------------------------------------------------------------------------
// Pure helpers

TEST(AutomationText, LinesSplitAtCrLfWithoutAnEmptyLastLine)
{
    struct Row {
        std::string text;
        QStringList lines;
    };
    const Row rows[] = {
        {"", {}},
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\r\nb", {"a", "b"}},
        {"a\r\n\r\nb\r\n", {"a", "", "b"}},
        {"x\ny\r\n", {"x\ny"}},                 // only CR LF ends a line
        {"30\xB0\r\nx\xB2\r\n", {"30°", "x²"}}, // the documents' code page becomes Unicode
    };
    for (const Row& row : rows) {
        EXPECT_EQ(DocumentTextLines(row.text), row.lines) << row.text;
        if (row.text.ends_with("\r\n")) {
            EXPECT_EQ(LinesDocumentText(row.lines), row.text) << row.text;
        }
    }
}

TEST(AutomationExtent, ConvertsInSixtyFourBitsAndRounds)
{
    struct Row {
        long long hundredths;
        int dpi;
        long long pixels;
    };
    const Row rows[] = {
        {2540, 96, 96},   {1270, 96, 48},
        {13, 96, 0},      {14, 96, 1},
        {2540, 120, 120}, {std::numeric_limits<int>::max(), 96, 81164736}, // would overflow in 32 bits
    };
    for (const Row& row : rows)
        EXPECT_EQ(HundredthsToPixels(row.hundredths, row.dpi), row.pixels) << row.hundredths;
    EXPECT_EQ(PixelsToHundredths(96, 96), 2540);
    EXPECT_EQ(PixelsToHundredths(std::numeric_limits<int>::max(), 1),
              2540LL * std::numeric_limits<int>::max());
    EXPECT_EQ(PixelsToHundredths(10, 0), 0);
}

// A host whose document operations throw: no exception may leave a call.
class TThrowingHost : public TAutomationHost {
public:
    std::string AutomationText() override { throw std::runtime_error("the disk is on fire"); }
    bool PutAutomationText(std::string, bool) override { throw 42; }
    bool AutomationModified() const override { throw std::runtime_error("unknown"); }
    TAutomationRead OpenAutomationFile(const QString&, QString&) override { return TAutomationRead::Failed; }
    bool SaveAutomationFile(const QString&, QString&) override { return false; }
    bool AskAutomationSave() override { return true; }
    QString AutomationFile() const override { return {}; }
    QWidget* AutomationWindow() override { return &window; }
    void ShowAutomationWindow() override {}
    QByteArray AutomationPicture(const QString&) override { throw std::bad_alloc(); }
    QWidget window;
};

TEST(AutomationServer, ExceptionsBecomeFailedAnswers)
{
    TThrowingHost host;
    TAutomationServer server(host);
    const std::pair<const char*, std::function<void()>> calls[] = {
        {"GetText", [&] { (void)server.GetText(); }},
        {"SetText", [&] { EXPECT_FALSE(server.SetText({"a"})); }},
        {"IsDirty", [&] { (void)server.IsDirty(); }},
        {"SaveStream", [&] { (void)server.SaveStream(); }},
        {"LoadStream", [&] { EXPECT_FALSE(server.LoadStream("a")); }},
        {"GetData", [&] { EXPECT_TRUE(server.GetData("png").isEmpty()); }},
    };
    for (const auto& [name, call] : calls) {
        EXPECT_NO_THROW(call()) << name;
        EXPECT_EQ(server.LastErrorName(), AutomationError::Failed) << name;
        EXPECT_FALSE(server.LastErrorText().isEmpty()) << name;
    }
    (void)server.GetText();
    EXPECT_EQ(server.LastErrorText(), "the disk is on fire");
}

// ---------------------------------------------------------------------------
// Against the main window

class AutomationFormTest : public GraphFormTest {
protected:
    void SetUp() override
    {
        GraphFormTest::SetUp();
        // Inside the screen, so that a document's placement puts the window back where it was.
        form->resize(640, 480);
        WaitFor([this] { return form->size() == QSize(640, 480); });
    }
    TAutomationServer& Server() { return *form->Automation(); }
    [[nodiscard]] QString Error() { return form->Automation()->LastErrorName(); }
    [[nodiscard]] static QByteArray Read(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    // The settings and the equation records of a document's lines: what a read puts back exactly (the
    // scales and the window's layout follow the window's size on the screen).
    [[nodiscard]] static QStringList Records(const QStringList& lines)
    {
        const qsizetype scaling = lines.indexOf("Scaling");
        qsizetype curves = scaling;
        while (curves < lines.size() && !lines[curves].startsWith("Curve"))
            ++curves;
        return lines.mid(0, scaling) + lines.mid(curves);
    }
    static bool Write(const QString& path, const QByteArray& bytes)
    {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    }
    QTemporaryDir dir;
};

TEST_F(AutomationFormTest, GetTextAndSetTextRoundTripTheDocument)
{
    TypeLine("y=2x+1");
    TypeLine("x^2+y^2=9");
    const QStringList lines = Server().GetText();
    ASSERT_TRUE(Error().isEmpty());
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_TRUE(lines.first().startsWith("Lumacurve for windows version"));
    EXPECT_FALSE(lines.last().isEmpty());
    for (const QString& line : lines)
        EXPECT_FALSE(line.contains('\r') || line.contains('\n')) << line.toStdString();
    // The text is the document as a file holds it, split at its line ends.
    EXPECT_EQ(LinesDocumentText(lines), Server().SaveStream().toStdString());

    form->ClearAll(true);
    ASSERT_EQ(equations->Count(), 0);
    EXPECT_TRUE(Server().SetText(lines));
    EXPECT_TRUE(Error().isEmpty());
    EXPECT_EQ(equations->Count(), 2);
    EXPECT_EQ(Records(Server().GetText()).join('\n').toStdString(), Records(lines).join('\n').toStdString());
    EXPECT_TRUE(Server().IsDirty());
    // Put in place as Open puts a document: one undo step back to the empty list.
    ASSERT_TRUE(form->Commands().Trigger("ActionUndo"));
    EXPECT_EQ(equations->Count(), 0);
}

TEST_F(AutomationFormTest, TextThatIsNoDocumentChangesNothing)
{
    TypeLine("y=3x");
    Configuration.ShowGraphNames = !DefaultConfiguration.ShowGraphNames;
    Configuration.Accuracy = 37;
    form->SetModified(false);
    const QStringList before = Server().GetText();
    const int undoSteps = form->UndoHistory().Count();
    QStringList newer = before;
    newer[0] = "Lumacurve for windows version 99.999";
    const std::pair<const char*, QStringList> rows[] = {
        {"nothing", {}},
        {"words", {"hello", "world"}},
        {"number pairs", {"1 2", "3 4"}},
        {"a newer version", newer},
    };
    for (const auto& [name, text] : rows) {
        EXPECT_FALSE(Server().SetText(text)) << name;
        EXPECT_TRUE(Error().isEmpty()) << name;
        EXPECT_FALSE(Server().LoadStream(QByteArray::fromStdString(LinesDocumentText(text)))) << name;
        EXPECT_EQ(Server().GetText(), before) << name;
        EXPECT_EQ(equations->Count(), 1) << name;
        EXPECT_EQ(form->UndoHistory().Count(), undoSteps) << name;
        EXPECT_FALSE(form->Modified()) << name;
        EXPECT_EQ(Configuration.Accuracy, 37) << name;
        EXPECT_NE(Configuration.ShowGraphNames, DefaultConfiguration.ShowGraphNames) << name;
    }
}

TEST_F(AutomationFormTest, StreamsAreTheFileBytesAndRoundTrip)
{
    TypeLine("y=sin x");
    const QByteArray first = Server().SaveStream();
    EXPECT_EQ(Server().SaveStream(), first); // saving twice gives the same stream, not a second one
    const QString path = dir.filePath("stream.lcv");
    Server().Save(path, false);
    ASSERT_TRUE(Error().isEmpty()) << Server().LastErrorText().toStdString();
    EXPECT_EQ(Read(path), first);

    form->ClearAll(true);
    EXPECT_TRUE(Server().LoadStream(first));
    EXPECT_EQ(equations->Count(), 1);
    EXPECT_FALSE(Server().IsDirty()); // the container holds what was read
    EXPECT_EQ(Records(DocumentTextLines(Server().SaveStream().toStdString())),
              Records(DocumentTextLines(first.toStdString())));
}

TEST_F(AutomationFormTest, FilesAnswerWithTheProgramsMessagesNeverBoxes)
{
    const QString missing = dir.filePath("missing.lcv");
    Server().Load(missing);
    EXPECT_EQ(Error(), AutomationError::Failed);
    EXPECT_TRUE(Server().LastErrorText().contains("does not exist"));
    EXPECT_EQ(Server().LastErrorText(), form->LastMessage());

    const QString words = dir.filePath("words.lcv");
    ASSERT_TRUE(Write(words, "hello\r\nthere\r\n"));
    TypeLine("y=x");
    Server().Load(words);
    EXPECT_EQ(Error(), AutomationError::NotDocument);
    EXPECT_EQ(equations->Count(), 1);

    // Save("") without any name has nowhere to go; with a remembered name it saves there.
    Server().Save("", false);
    EXPECT_EQ(Error(), AutomationError::Failed);
    const QString kept = dir.filePath("kept.lcv");
    Server().Save(kept, true);
    ASSERT_TRUE(Error().isEmpty());
    EXPECT_EQ(Server().GetCurFile(), kept);
    TypeLine("y=5");
    EXPECT_TRUE(Server().IsDirty());
    Server().Save("", false);
    EXPECT_TRUE(Error().isEmpty()) << Server().LastErrorText().toStdString();
    EXPECT_EQ(Read(kept), Server().SaveStream());
    EXPECT_FALSE(Server().IsDirty());

    Server().Save(dir.filePath("no/such/folder/x.lcv"), false);
    EXPECT_EQ(Error(), AutomationError::Failed);
    EXPECT_TRUE(Server().LastErrorText().startsWith("Cannot save")) << Server().LastErrorText().toStdString();

    form->ClearAll(true);
    Server().Load(kept);
    EXPECT_TRUE(Error().isEmpty());
    EXPECT_EQ(equations->Count(), 2);
    EXPECT_EQ(Server().GetCurFile(), kept);
}

TEST_F(AutomationFormTest, ExtentsInHundredthsOfAMillimetre)
{
    const QScreen* screen = form->screen();
    ASSERT_NE(screen, nullptr);
    if (std::lround(screen->logicalDotsPerInchX()) != 96 || std::lround(screen->logicalDotsPerInchY()) != 96)
        GTEST_SKIP() << "the screen is not at 96 pixels per inch";
    Server().SetExtent(ContentAspect, 2540, 2540);
    ASSERT_TRUE(Error().isEmpty());
    EXPECT_TRUE(WaitFor([&] { return form->size() == QSize(96, 96); }))
        << form->width() << "x" << form->height();
    int height = 0;
    EXPECT_EQ(Server().GetExtent(ContentAspect, height), 2540);
    EXPECT_EQ(height, 2540);

    struct Row {
        unsigned aspect;
        int width, height;
    };
    const Row refused[] = {
        {2, 2540, 2540}, {4, 2540, 2540}, {ContentAspect, 0, 100}, {ContentAspect, 100, -5}};
    for (const Row& row : refused) {
        Server().SetExtent(row.aspect, row.width, row.height);
        EXPECT_EQ(Error(), AutomationError::Failed) << row.aspect << " " << row.width << " " << row.height;
        EXPECT_EQ(form->size(), QSize(96, 96));
    }
    (void)Server().GetExtent(2, height);
    EXPECT_EQ(Error(), AutomationError::Failed);

    // A size beyond any screen is clamped to it.
    const int huge = std::numeric_limits<int>::max();
    Server().SetExtent(ContentAspect, huge, huge);
    EXPECT_TRUE(Error().isEmpty());
    const QSize room = screen->availableGeometry().size();
    EXPECT_TRUE(WaitFor([&] { return form->size() == room; }))
        << form->width() << "x" << form->height() << " on " << room.width() << "x" << room.height();
    const int width = Server().GetExtent(ContentAspect, height);
    EXPECT_TRUE(Error().isEmpty());
    EXPECT_EQ(width, PixelsToHundredths(room.width(), 96));
    EXPECT_EQ(height, PixelsToHundredths(room.height(), 96));
}

TEST_F(AutomationFormTest, VerbsShowAndHideTheWindow)
{
    QSignalSpy shown(&Server(), &TAutomationServer::ShowWindow);
    struct Row {
        int verb;
        const char* error; // nullptr: none
        bool visible;
    };
    const Row rows[] = {
        {-3, nullptr, false},
        {0, nullptr, true},
        {-3, nullptr, false},
        {-1, nullptr, true},
        {1, AutomationError::InvalidVerb, true},
        {-6, AutomationError::InvalidVerb, true},
    };
    for (const Row& row : rows) {
        Server().DoVerb(row.verb);
        EXPECT_EQ(Error(), row.error ? QString(row.error) : QString()) << row.verb;
        EXPECT_EQ(form->isVisible(), row.visible) << row.verb;
    }
    ASSERT_EQ(shown.count(), 4);
    EXPECT_FALSE(shown.at(0).at(0).toBool());
    EXPECT_TRUE(shown.at(3).at(0).toBool());
}

TEST_F(AutomationFormTest, PicturesInTheFormatsItOffers)
{
    TypeLine("y=x^2");
    struct Row {
        const char* format;
        bool offered;
        QByteArray start;
    };
    const Row rows[] = {
        {"svg", true, "<?xml"}, {"PNG", true, "\x89PNG"}, {"png", true, "\x89PNG"},
        {"emf", false, {}},     {"", false, {}},          {"image/png", false, {}},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(Server().QueryGetData(row.format), row.offered) << row.format;
        EXPECT_TRUE(Error().isEmpty()) << row.format;
        const QByteArray data = Server().GetData(row.format);
        if (row.offered) {
            EXPECT_TRUE(Error().isEmpty()) << row.format;
            EXPECT_TRUE(data.startsWith(row.start)) << row.format;
        } else {
            EXPECT_EQ(Error(), AutomationError::FormatNotSupported) << row.format;
            EXPECT_TRUE(data.isEmpty()) << row.format;
        }
    }
    EXPECT_TRUE(Server().GetPicture().isEmpty());
    EXPECT_TRUE(Error().isEmpty());
}

TEST_F(AutomationFormTest, CallsAnswerBusyInsideCommandsDrawingsAndModalLoops)
{
    QString during;
    const auto call = [&] {
        (void)Server().GetText();
        during = Error();
    };
    const std::pair<const char*, std::function<void()>> rows[] = {
        {"busy scope",
         [&] {
             const TBusyScope busy;
             call();
         }},
        {"drawing",
         [&] {
             const TDrawingScope drawing;
             call();
         }},
        {"command",
         [&] {
             form->Commands().SetHandler("ActionFileNew", call);
             form->Commands().Action("ActionFileNew")->trigger();
         }},
        {"modal dialog",
         [&] {
             QDialog dialog(form.get());
             dialog.setModal(true);
             QTimer::singleShot(0, &dialog, [&] {
                 call();
                 dialog.reject();
             });
             dialog.exec();
         }},
    };
    for (const auto& [name, run] : rows) {
        during.clear();
        run();
        EXPECT_EQ(during, AutomationError::Busy) << name;
        (void)Server().GetText();
        EXPECT_TRUE(Error().isEmpty()) << name;
    }
}

TEST_F(AutomationFormTest, AClientSiteKeepsTheProgramUntilReleased)
{
    QSignalSpy ended(&Server(), &TAutomationServer::EndRequested);
    QSignalSpy closed(&Server(), &TAutomationServer::Closed);
    QSignalSpy saveObject(&Server(), &TAutomationServer::SaveObject);
    Server().SetClientSite(true);
    ASSERT_TRUE(Error().isEmpty());
    Server().SetClientSite(true);
    EXPECT_EQ(Error(), AutomationError::Failed); // one site at a time

    // Closing tells the client and hides: it can still fetch the document.
    EXPECT_FALSE(form->close());
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(closed.count(), 1);
    EXPECT_EQ(saveObject.count(), 1);
    EXPECT_EQ(ended.count(), 0);
    EXPECT_FALSE(Server().SaveStream().isEmpty());
    Server().Release();
    EXPECT_EQ(ended.count(), 1);
    EXPECT_FALSE(Server().HasClientSite());

    // Without a site the window closes as usual.
    form->show();
    EXPECT_TRUE(form->close());
    EXPECT_EQ(ended.count(), 1);
}

TEST_F(AutomationFormTest, CloseSavesHidesAndEndsAsAsked)
{
    QSignalSpy ended(&Server(), &TAutomationServer::EndRequested);
    TypeLine("y=4x");
    ASSERT_TRUE(form->Modified());

    Server().Close(3);
    EXPECT_EQ(Error(), AutomationError::Failed);
    // Modified, with no file and no client to keep it: nothing is lost.
    Server().Close(0);
    EXPECT_EQ(Error(), AutomationError::Failed);
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(ended.count(), 0);

    // With a remembered file it saves there, hides and, with no client site, ends.
    const QString path = dir.filePath("closed.lcv");
    Server().Save(path, true);
    TypeLine("y=6");
    QSignalSpy saved(&Server(), &TAutomationServer::Saved);
    Server().Close(0);
    EXPECT_TRUE(Error().isEmpty()) << Server().LastErrorText().toStdString();
    EXPECT_EQ(saved.count(), 1);
    EXPECT_EQ(Read(path), Server().SaveStream());
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(ended.count(), 1);

    // With a client site it waits hidden until the client lets go.
    form->show();
    Server().SetClientSite(true);
    Server().Close(1);
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(ended.count(), 1);
    Server().SetClientSite(false);
    EXPECT_EQ(ended.count(), 2);
}

TEST_F(AutomationFormTest, HostNamesMakeTheCaption)
{
    Server().SetHostNames("Writer", "Report.odt");
    EXPECT_TRUE(Error().isEmpty());
    EXPECT_EQ(form->windowTitle(), "Lumacurve: Writer (Report.odt)");
}

} // namespace

namespace {

// A form started for automation (its questions answered by the test), for one test.
class AutomationStart : public ::testing::Test {
protected:
    void SetUp() override
    {
        TStartOptions options = TestStartOptions();
        options.automation = true;
        form = MakeQuietForm<TAnsweringForm>(options);
        ASSERT_NE(form, nullptr);
        ASSERT_TRUE(WaitFor([&] { return form->Started(); }));
    }
    void TearDown() override
    {
        form.reset();
        ResetProgramState();
    }
    std::unique_ptr<TAnsweringForm> form;
};

// The window floats its equations panel; closing the window ends the program without asking about the
// panel, and with no message box.
TEST_F(AutomationStart, ClosingTheSmallWindowEndsTheProgramWithoutQuestions)
{
    const QDockWidget* panel = form->Panel("EquationsDockPanel");
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(panel->isFloating());
    EXPECT_FALSE(Configuration.DragCurves);
    QTimer::singleShot(0, form.get(), [&] { form->close(); });
    // The program's own loop: the last window closing ends it (a second timer stops a hang).
    QTimer::singleShot(5000, qApp, [] { QCoreApplication::exit(2); });
    EXPECT_EQ(QApplication::exec(), 0);
    EXPECT_EQ(form->closeEquationsAsked, 0);
    EXPECT_TRUE(form->LastMessage().isEmpty()) << form->LastMessage().toStdString();
}

// A modified document with a line that cannot be entered keeps the window open.
TEST_F(AutomationStart, AFaultyLineKeepsAModifiedWindowOpen)
{
    form->Equations()->setFocus();
    QTest::keyClicks(form->Equations(), "y=)(");
    ASSERT_NE(form->Equations()->Line(), nullptr);
    form->SetModified(true);
    EXPECT_FALSE(form->close());
    EXPECT_TRUE(form->isVisible());
    form->SetModified(false);
    EXPECT_TRUE(form->close()); // nothing to keep
}

} // namespace
