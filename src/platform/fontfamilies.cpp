#include "platform/fontfamilies.h"

#include <QFontDatabase>
#include <QStringList>

#include <map>
#include <string>

namespace {

// The program's own face: formulas, the graph and whatever cannot be found.
constexpr const char* DefaultFamily = "DejaVu Sans";

struct TFamilyMapping {
    const char* named;
    const char* installed;
};

// Faces with the widths of the families documents were written with, so a
// line or a label takes the room it took where the document was made.
constexpr TFamilyMapping Mappings[] = {
    {"Arial", "Liberation Sans"},
    {"Helvetica", "Liberation Sans"},
    {"Times New Roman", "Liberation Serif"},
    {"Times", "Liberation Serif"},
    {"Courier New", "Liberation Mono"},
    {"Courier", "Liberation Mono"},
    {"Symbol", DefaultFamily},
};

// True when a real family of the font database (not an alias fontconfig
// would substitute) has this name.
bool Installed(const QString& family)
{
    return QFontDatabase::families().contains(family, Qt::CaseInsensitive);
}

} // namespace

QString ResolvedFamily(std::string_view family)
{
    // Asking the font database is dear, and a formula asks for every size.
    static std::map<std::string, QString, std::less<>> resolved;
    if (const auto found = resolved.find(family); found != resolved.end())
        return found->second;
    const QString named = QString::fromUtf8(family.data(), static_cast<qsizetype>(family.size())).trimmed();
    QString result;
    for (const TFamilyMapping& mapping : Mappings)
        if (named.compare(QLatin1String(mapping.named), Qt::CaseInsensitive) == 0)
            result = QLatin1String(mapping.installed);
    if (result.isEmpty())
        result = named.isEmpty() ? QString(DefaultFamily) : named;
    // A face that is missing falls back to ours, never to fontconfig's choice.
    if (!Installed(result) && Installed(DefaultFamily))
        result = DefaultFamily;
    resolved.emplace(std::string(family), result);
    return result;
}

QFont FamilyFont(std::string_view family, int pointSize)
{
    return QFont(ResolvedFamily(family), pointSize);
}
