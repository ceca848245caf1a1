#include "settings/mathswriter.h"

#include "platform/codepage.h"

#include <QClipboard>
#include <QGuiApplication>

void TMathsWriter::WriteLine(std::string_view text, int indent, bool lineEnd)
{
    data_.append(static_cast<std::size_t>(indent > 0 ? indent : 0), '\t');
    data_.append(text);
    if (lineEnd)
        data_.append("\r\n");
}

void TMathsWriter::WriteInteger(long long value, int indent, bool lineEnd)
{
    WriteLine(std::to_string(value), indent, lineEnd);
}

bool TMathsWriter::FinishToClipboard()
{
    std::string text = TakeText();
    if (const auto nul = text.find('\0'); nul != std::string::npos)
        text.resize(nul);
    auto* application = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (!application || !QGuiApplication::clipboard())
        return false;
    QGuiApplication::clipboard()->setText(AnsiToQString(text));
    return true;
}
