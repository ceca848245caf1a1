#include "app/mathswriter.h"

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
