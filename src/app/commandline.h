// The desktop program's command line, read with QCommandLineParser before
// the application object exists, so that --help and --version answer on a
// machine without a display. Qt's own options (-platform, -style, -display
// ...) are left for Qt; an unknown option or a second document is refused
// with a line that names it. Options are a table, so --help and the manual
// page list the same ones.
#pragma once

#include "app/lumacurveform.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <span>

// One option of the program: its names, the name of its value (empty for a
// switch) and what it does.
struct TProgramOption {
    QStringList names;
    QString valueName;
    QString help;
};
[[nodiscard]] std::span<const TProgramOption> ProgramOptions();

// What the command line asks for.
struct TProgramCommandLine {
    TStartOptions options;  // the document and the switches
    QString screenshotFile; // with --screenshot
    QString printPdfFile;   // with --print-pdf, and its page choices
    bool landscape = false;
    bool fillPage = false;
    bool noEquations = false;
    // Set when the program is to stop at once with this status, printing
    // output on standard output and errors on standard error.
    std::optional<int> exitStatus;
    QString output;
    QString errors;
};

// Reads the arguments (without the program's name).
[[nodiscard]] TProgramCommandLine ReadProgramCommandLine(const QStringList& arguments);
// The text --help prints.
[[nodiscard]] QString ProgramHelp();
// True when the argument is one of Qt's own options; takesValue tells
// whether it takes the next argument as its value.
[[nodiscard]] bool IsQtOption(const QString& argument, bool* takesValue = nullptr);
