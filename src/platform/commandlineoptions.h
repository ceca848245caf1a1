// Shared by the desktop program's and lcvtool's command lines, both read
// with QCommandLineParser: which declared option an argument names, and why
// a command line was refused, in words that name the argument as it was
// typed ("unknown option --bogus", "--size needs WxH", "--radians takes no
// value: --radians=1"), for the line printed on standard error.
#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QStringList>

#include <vector>

// One row of a help text: the names indented by two, the help from column 24
// wrapped at 79 columns (on the next line when the names reach the column).
[[nodiscard]] QString OptionHelpRow(const QString& names, const QString& help);
// "-o" for a one-letter name, "--size" for a longer one.
[[nodiscard]] QString DashedName(const QString& name);
// The option an argument such as "-o", "--size" or "--size=1x2" names, or nullptr.
[[nodiscard]] const QCommandLineOption* DeclaredOption(const std::vector<QCommandLineOption>& options,
                                                       const QString& argument);
// True when the argument names an option that takes its value from the next argument.
[[nodiscard]] bool TakesNextValue(const std::vector<QCommandLineOption>& options, const QString& argument);
// Why the parser refused the arguments (the first one is the program's name).
[[nodiscard]] QString RefusalReason(const QCommandLineParser& parser, const QStringList& arguments,
                                    const std::vector<QCommandLineOption>& options);
