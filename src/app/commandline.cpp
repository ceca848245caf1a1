#include "app/commandline.h"

#include "lumacurveversion.h"
#include "platform/commandlineoptions.h"

#include <QCommandLineParser>

#include <array>
#include <vector>

namespace {

// clang-format off
const TProgramOption Options[] = {
    {{"h", "help"}, {}, "show this help and exit"},
    {{"v", "version"}, {}, "show the version and exit"},
    {{"screenshot"}, "FILE",
     "start without the start-up screen, lay the window out at 1280x800, grab it into the PNG FILE after "
     "its first complete paint and exit (1 when the document cannot be read); no message boxes"},
    {{"print-pdf"}, "FILE",
     "lay the window out at 1280x800 off screen like --screenshot, print the page of DOCUMENT as the print "
     "preview shows it into the PDF FILE (A4, 600 dpi, words as text), write \"margin: M factors: FX FY\" "
     "and exit (1 when the document cannot be read or FILE cannot be written)"},
    {{"landscape"}, {}, "with --print-pdf: a landscape page"},
    {{"fill"}, {}, "with --print-pdf: the graph fills the page"},
    {{"no-equations"}, {}, "with --print-pdf: the equations are not printed"},
    {{"timings"}, {}, "print the start-up phases with their times in milliseconds to standard error"},
    {{"automation"}, {},
     "start as the automation service org.brenlow.Lumacurve on the session bus (as D-Bus activation "
     "does): a small window, no start-up screen, no document; exit 1 when the name is taken"},
};
// clang-format on

constexpr const char* Synopsis = "usage: lumacurve [--timings] [DOCUMENT]\n"
                                 "       lumacurve --screenshot FILE [--timings] [DOCUMENT]\n"
                                 "       lumacurve --print-pdf FILE [--landscape] [--fill] [--no-equations] "
                                 "DOCUMENT\n"
                                 "       lumacurve --automation [--timings]\n"
                                 "       lumacurve --help | --version\n";

// Qt's options: name and whether it takes a value. Qt reads them with one
// dash or two, and a value after a blank or an equals sign.
struct TQtOption {
    const char* name;
    bool value;
};
constexpr std::array<TQtOption, 20> QtOptions = {{
    {"platform", true},
    {"platformpluginpath", true},
    {"platformtheme", true},
    {"plugin", true},
    {"qwindowgeometry", true},
    {"geometry", true},
    {"qwindowtitle", true},
    {"title", true},
    {"qwindowicon", true},
    {"icon", true},
    {"session", true},
    {"display", true},
    {"name", true},
    {"style", true},
    {"stylesheet", true},
    {"qmljsdebugger", false},
    {"reverse", false},
    {"widgetcount", false},
    {"nograb", false},
    {"dograb", false},
}};

QString Refusal(const QString& reason)
{
    return "lumacurve: " + reason + "\n" + Synopsis + "Try 'lumacurve --help' for more.\n";
}

} // namespace

std::span<const TProgramOption> ProgramOptions()
{
    return Options;
}

bool IsQtOption(const QString& argument, bool* takesValue)
{
    if (!argument.startsWith('-') || argument.size() < 2 || argument == QStringLiteral("--"))
        return false;
    const QString word = argument.mid(argument.startsWith(QStringLiteral("--")) ? 2 : 1);
    const QString name = word.section('=', 0, 0);
    for (const TQtOption& option : QtOptions) {
        if (name == QLatin1String(option.name)) {
            if (takesValue)
                *takesValue = option.value && !word.contains('=');
            return true;
        }
    }
    return false;
}

QString ProgramHelp()
{
    QString text = Synopsis;
    text += "\nLumacurve, a graph plotter for school mathematics: type equations and inequalities in\n"
            "ordinary notation and see their graphs.\n\narguments:\n";
    text += OptionHelpRow("DOCUMENT",
                          "a document to open (\".lcv\" is added to a name without an extension), or a "
                          "guide help file (.ltg) to show");
    text += "\noptions:\n";
    for (const TProgramOption& option : Options) {
        QStringList names;
        for (const QString& name : option.names)
            names << DashedName(name);
        text += OptionHelpRow(names.join(", ") +
                                  (option.valueName.isEmpty() ? QString() : " " + option.valueName),
                              option.help);
    }
    text += "\nQt's own options, such as -platform NAME, -style NAME and -display DISPLAY, are\n"
            "passed to Qt. The environment variable LUMACURVE_TIMINGS has the effect of --timings.\n";
    return text;
}

TProgramCommandLine ReadProgramCommandLine(const QStringList& arguments)
{
    TProgramCommandLine result;
    QCommandLineParser parser;
    // "-timings" is --timings, never -t -i -m ...
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    std::vector<QCommandLineOption> options;
    for (const TProgramOption& option : Options) {
        options.emplace_back(option.names, option.help, option.valueName);
        parser.addOption(options.back());
    }
    // Qt's own options stay in the arguments Qt reads; this parser never sees them.
    QStringList own{QStringLiteral("lumacurve")};
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == QStringLiteral("--")) {
            own << arguments.mid(i);
            break;
        }
        bool takesValue = false;
        if (IsQtOption(argument, &takesValue)) {
            i += takesValue ? 1 : 0;
            continue;
        }
        own << argument;
        // A value is taken as it stands, even one beginning with a dash.
        if (TakesNextValue(options, argument) && i + 1 < arguments.size())
            own << arguments[++i];
    }
    if (!parser.parse(own)) {
        result.exitStatus = 2;
        result.errors = Refusal(RefusalReason(parser, own, options));
        return result;
    }
    if (parser.isSet("help")) {
        result.exitStatus = 0;
        result.output = ProgramHelp();
        return result;
    }
    if (parser.isSet("version")) {
        result.exitStatus = 0;
        result.output = QStringLiteral("lumacurve %1\n").arg(LumacurveVersion);
        return result;
    }
    const QStringList documents = parser.positionalArguments();
    if (documents.size() > 1) {
        result.exitStatus = 2;
        result.errors = Refusal("unexpected argument " + documents[1] + ": only one document is opened");
        return result;
    }
    result.options.arguments = documents;
    result.options.timings = parser.isSet("timings");
    if (parser.isSet("automation")) {
        result.options.automation = true;
        if (parser.isSet("screenshot") || parser.isSet("print-pdf") || !documents.isEmpty()) {
            result.exitStatus = 2;
            result.errors = Refusal("--automation opens no document and takes no screenshot");
            return result;
        }
    }
    const bool pageChoice = parser.isSet("landscape") || parser.isSet("fill") || parser.isSet("no-equations");
    if (parser.isSet("print-pdf")) {
        result.printPdfFile = parser.value("print-pdf");
        result.landscape = parser.isSet("landscape");
        result.fillPage = parser.isSet("fill");
        result.noEquations = parser.isSet("no-equations");
        // The page is drawn off screen like a screenshot: no start-up screen, no message boxes.
        result.options.screenshot = true;
        if (result.printPdfFile.isEmpty()) {
            result.exitStatus = 2;
            result.errors = Refusal("--print-pdf needs FILE");
        } else if (parser.isSet("screenshot")) {
            result.exitStatus = 2;
            result.errors = Refusal("--print-pdf and --screenshot cannot be given together");
        } else if (documents.isEmpty()) {
            result.exitStatus = 2;
            result.errors = Refusal("--print-pdf needs DOCUMENT");
        }
        return result;
    }
    if (pageChoice) {
        result.exitStatus = 2;
        result.errors = Refusal("--landscape, --fill and --no-equations go with --print-pdf");
        return result;
    }
    if (parser.isSet("screenshot")) {
        result.options.screenshot = true;
        result.screenshotFile = parser.value("screenshot");
        if (result.screenshotFile.isEmpty()) {
            result.exitStatus = 2;
            result.errors = Refusal("--screenshot needs FILE");
        }
    }
    return result;
}
