#include "platform/commandlineoptions.h"

namespace {

// The name of an option argument without its dashes and value: "size" for "--size=1x2".
QString OptionName(const QString& argument)
{
    return argument.mid(argument.startsWith(QStringLiteral("--")) ? 2 : 1).section('=', 0, 0);
}

} // namespace

QString OptionHelpRow(const QString& names, const QString& help)
{
    constexpr int Column = 24, Width = 79;
    QString text = QStringLiteral("  ") + names;
    QString line;
    if (text.size() + 2 > Column) {
        text += '\n';
    } else {
        line = text;
        text.clear();
    }
    for (const QString& word : help.split(' ', Qt::SkipEmptyParts)) {
        if (line.size() < Column) {
            line += QString(Column - line.size(), ' ') + word;
        } else if (line.size() + 1 + word.size() > Width) {
            text += line + '\n';
            line = QString(Column, ' ') + word;
        } else {
            line += ' ' + word;
        }
    }
    return text + line + '\n';
}

QString DashedName(const QString& name)
{
    return (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
}

const QCommandLineOption* DeclaredOption(const std::vector<QCommandLineOption>& options,
                                         const QString& argument)
{
    if (!argument.startsWith('-') || argument.size() < 2 || argument == QStringLiteral("--"))
        return nullptr;
    const QString name = OptionName(argument);
    for (const QCommandLineOption& option : options)
        if (option.names().contains(name))
            return &option;
    return nullptr;
}

bool TakesNextValue(const std::vector<QCommandLineOption>& options, const QString& argument)
{
    const QCommandLineOption* option = DeclaredOption(options, argument);
    return option && !argument.contains('=') && !option->valueName().isEmpty();
}

QString RefusalReason(const QCommandLineParser& parser, const QStringList& arguments,
                      const std::vector<QCommandLineOption>& options)
{
    const QStringList given = arguments.mid(1, arguments.indexOf(QStringLiteral("--")) - 1);
    const QStringList unknown = parser.unknownOptionNames();
    if (!unknown.isEmpty()) {
        // The argument as it was typed: "-x", "--bogus" or "--bogus=1".
        for (const QString& argument : given)
            if (argument.startsWith('-') && OptionName(argument) == unknown.first())
                return QStringLiteral("unknown option ") + argument;
        return QStringLiteral("unknown option ") + DashedName(unknown.first());
    }
    // A value option can only lack its value at the very end.
    if (!given.isEmpty() && TakesNextValue(options, given.last()))
        return given.last() + QStringLiteral(" needs ") + DeclaredOption(options, given.last())->valueName();
    for (const QString& argument : given)
        if (const QCommandLineOption* option = DeclaredOption(options, argument);
            option && option->valueName().isEmpty() && argument.contains('='))
            return DashedName(OptionName(argument)) + QStringLiteral(" takes no value: ") + argument;
    // Anything else in the parser's own words, as a clause.
    QString text = parser.errorText();
    if (!text.isEmpty())
        text[0] = text[0].toLower();
    if (text.endsWith('.'))
        text.chop(1);
    return text;
}
