#include "platform/codepage.h"

#include <array>

namespace {

// 0x80 to 0x9F of Windows-1252; the five unassigned codes keep their C1 value.
constexpr std::array<char16_t, 32> HighControls{
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

} // namespace

char16_t AnsiToUnicode(unsigned char code)
{
    if (code >= 0x80 && code < 0xA0)
        return HighControls[code - 0x80];
    return code;
}

QString AnsiToQString(std::string_view text)
{
    QString result;
    result.reserve(static_cast<qsizetype>(text.size()));
    for (char c : text)
        result.append(QChar(AnsiToUnicode(static_cast<unsigned char>(c))));
    return result;
}

std::string QStringToAnsi(const QString& text)
{
    std::string result;
    result.reserve(static_cast<std::size_t>(text.size()));
    for (QChar qc : text) {
        const char16_t u = qc.unicode();
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
            result.push_back(static_cast<char>(u));
            continue;
        }
        char mapped = '?';
        for (std::size_t i = 0; i < HighControls.size(); ++i)
            if (HighControls[i] == u)
                mapped = static_cast<char>(0x80 + i);
        result.push_back(mapped);
    }
    return result;
}
