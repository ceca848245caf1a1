#include "lcvtool_arguments.h"

#include "platform/commandlineoptions.h"

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstdlib>

namespace {

// Appends the synopsis lines of a command; the first line of a usage text says "usage:".
void AppendUsage(std::string& text, std::string_view usage, bool first)
{
    while (!usage.empty()) {
        const auto end = usage.find('\n');
        text += first ? "usage: lcvtool " : "       lcvtool ";
        text += usage.substr(0, end);
        text += "\n";
        first = false;
        usage = end == std::string_view::npos ? std::string_view() : usage.substr(end + 1);
    }
}

} // namespace

TFontApplication::TFontApplication()
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char name[] = "lcvtool";
    static char* argv[] = {name, nullptr};
    application_ = std::make_unique<QGuiApplication>(argc, argv);
    // The application object took LC_NUMERIC from the environment; the
    // tool's output and the documents it reads never follow it.
    std::setlocale(LC_NUMERIC, "C");
}

TFontApplication::~TFontApplication() = default;

const TToolCommand* FindToolCommand(std::string_view name)
{
    for (const TToolCommand& command : ToolCommands())
        if (command.name == name)
            return &command;
    return nullptr;
}

std::string AllUsageLines()
{
    std::string text;
    for (const TToolCommand& command : ToolCommands())
        AppendUsage(text, command.usage, text.empty());
    return text;
}

TToolArguments::TToolArguments(std::string_view command) : command_(FindToolCommand(command))
{
    // "-o" and "--size" alike; a word after one dash is one option, never a row of letters.
    parser_.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser_.addOption(QCommandLineOption(QStringLiteral("help")));
}

void TToolArguments::Option(const QStringList& names, const QString& valueName, const QString& help)
{
    QCommandLineOption option(names, help, valueName);
    parser_.addOption(option);
    options_.push_back(option);
    QStringList shown;
    for (const QString& name : names)
        shown << DashedName(name);
    optionRows_.push_back({shown.join(", ") + (valueName.isEmpty() ? QString() : " " + valueName), help});
}

void TToolArguments::Arguments(const QString& name, const QString& help)
{
    argumentRows_.push_back({name, help});
}

void TToolArguments::FirstArgumentEndsOptions()
{
    firstArgumentEndsOptions_ = true;
    parser_.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
}

std::optional<int> TToolArguments::Parse(const std::vector<std::string>& arguments)
{
    QStringList list{QStringLiteral("lcvtool")};
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const QString argument = ArgumentText(arguments[i]);
        if (!optionsEnded) {
            if (argument == QStringLiteral("--help")) {
                std::fputs(Help().c_str(), stdout);
                return 0;
            }
            if (argument == QStringLiteral("--")) {
                optionsEnded = true;
            } else if (firstArgumentEndsOptions_ && !argument.startsWith(QStringLiteral("--")) &&
                       !DeclaredOption(options_, argument)) {
                // A single dash begins a formula here, not an option.
                list << QStringLiteral("--");
                optionsEnded = true;
            } else if (TakesNextValue(options_, argument) && i + 1 < arguments.size()) {
                // The value is taken as it stands, even "--help" or "--".
                list << argument << ArgumentText(arguments[++i]);
                continue;
            }
        }
        list << argument;
    }
    if (parser_.parse(list))
        return std::nullopt;
    return Refuse(ArgumentBytes(RefusalReason(parser_, list, options_)));
}

int TToolArguments::Refuse(std::string_view reason) const
{
    std::string text = "lcvtool ";
    text += command_ ? command_->name : std::string_view("?");
    text += ": ";
    text += reason;
    text += "\n";
    if (command_)
        AppendUsage(text, command_->usage, true);
    std::fputs(text.c_str(), stderr);
    return 2;
}

bool TToolArguments::Has(const QString& name) const
{
    return parser_.isSet(name);
}

std::string TToolArguments::Value(const QString& name) const
{
    return ArgumentBytes(parser_.value(name));
}

std::vector<std::string> TToolArguments::Values(const QString& name) const
{
    std::vector<std::string> values;
    for (const QString& value : parser_.values(name))
        values.push_back(ArgumentBytes(value));
    return values;
}

std::vector<std::string> TToolArguments::Positional() const
{
    std::vector<std::string> values;
    for (const QString& value : parser_.positionalArguments())
        values.push_back(ArgumentBytes(value));
    return values;
}

std::vector<std::string> TToolArguments::OptionOrder() const
{
    std::vector<std::string> names;
    for (const QString& name : parser_.optionNames())
        names.push_back(ArgumentBytes(name));
    return names;
}

std::string TToolArguments::Help() const
{
    std::string text;
    if (command_) {
        AppendUsage(text, command_->usage, true);
        text += "\n";
        text += command_->summary;
        text += "\n";
    }
    if (!argumentRows_.empty()) {
        text += "\narguments:\n";
        for (const THelpRow& row : argumentRows_)
            text += ArgumentBytes(OptionHelpRow(row.names, row.help));
    }
    text += "\noptions:\n";
    for (const THelpRow& row : optionRows_)
        text += ArgumentBytes(OptionHelpRow(row.names, row.help));
    text += ArgumentBytes(OptionHelpRow(QStringLiteral("--help"), QStringLiteral("show this help and exit")));
    text += "\nexit status: 0 done, 1 the input was refused, 2 bad usage\n";
    return text;
}
