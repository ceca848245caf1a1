// The command line of one lcvtool command. A command declares its options
// with their help texts, reads its arguments through QCommandLineParser and
// refuses bad usage with a line that names the argument that is wrong,
// followed by its usage lines (exit status 2); --help prints the command's
// help on standard output (exit status 0). Arguments travel as bytes
// (Latin-1 both ways), so formula markup with code-page characters and file
// names in any encoding pass through unchanged.
#pragma once

#include <QCommandLineParser>
#include <QGuiApplication>

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// One command of lcvtool: adding a command is one entry of the table in
// lcvtool.cpp and its function.
struct TToolCommand {
    std::string_view name;
    // The synopsis, one form a line, each without the leading "lcvtool ".
    std::string_view usage;
    // One line for lcvtool --help and the first line of the command's help.
    std::string_view summary;
    int (*run)(const std::vector<std::string>& arguments);
};

// The application object that drawing text needs (for its fonts), made by a
// command once its arguments have been accepted. No window is shown, so no
// display is needed; numbers keep the C locale's form.
class TFontApplication {
public:
    TFontApplication();
    ~TFontApplication();
    TFontApplication(const TFontApplication&) = delete;
    TFontApplication& operator=(const TFontApplication&) = delete;

private:
    std::unique_ptr<QGuiApplication> application_;
};

// Every command, in the order the usage lists them.
[[nodiscard]] std::span<const TToolCommand> ToolCommands();
// The command of that name, or nullptr.
[[nodiscard]] const TToolCommand* FindToolCommand(std::string_view name);
// The usage lines of every command: "usage: lcvtool ..." then "       lcvtool ...".
[[nodiscard]] std::string AllUsageLines();

class TToolArguments {
public:
    // For the command of that name in the table.
    explicit TToolArguments(std::string_view command);

    // Declares an option by its names ("o", or "size") with the name of its
    // value (empty for a switch) and its help text.
    void Option(const QStringList& names, const QString& valueName, const QString& help);
    // Names and describes the arguments that are not options, for the help.
    void Arguments(const QString& name, const QString& help);
    // The first argument that is not an option ends the options: it and
    // everything after it are arguments, even when they begin with "-"
    // (a formula such as -x+1).
    void FirstArgumentEndsOptions();

    // Reads the arguments. Answers nothing when the command goes on, or the
    // exit status when it is done: 0 after printing the help, 2 after a
    // refusal naming the wrong argument.
    [[nodiscard]] std::optional<int> Parse(const std::vector<std::string>& arguments);
    // Prints "lcvtool COMMAND: reason" and the usage lines on standard error; answers 2.
    int Refuse(std::string_view reason) const;

    [[nodiscard]] bool Has(const QString& name) const;
    // The last value given to the option, or empty.
    [[nodiscard]] std::string Value(const QString& name) const;
    // Every value given to the option, in order.
    [[nodiscard]] std::vector<std::string> Values(const QString& name) const;
    // The arguments that are not options, in order.
    [[nodiscard]] std::vector<std::string> Positional() const;
    // The names of the options found, in the order they were given (a name
    // appears once for each time it was given).
    [[nodiscard]] std::vector<std::string> OptionOrder() const;
    // The help text --help prints.
    [[nodiscard]] std::string Help() const;

private:
    struct THelpRow {
        QString names;
        QString help;
    };
    const TToolCommand* command_;
    QCommandLineParser parser_;
    std::vector<QCommandLineOption> options_;
    std::vector<THelpRow> optionRows_;
    std::vector<THelpRow> argumentRows_;
    bool firstArgumentEndsOptions_ = false;
};

// The bytes of an argument as a QString and back, without any decoding.
[[nodiscard]] inline QString ArgumentText(const std::string& bytes)
{
    return QString::fromLatin1(bytes.data(), qsizetype(bytes.size()));
}
[[nodiscard]] inline std::string ArgumentBytes(const QString& text)
{
    return text.toLatin1().toStdString();
}
