// The store of the user's own preferences (the whiteboard's arrangement,
// recently used documents, export choices, toolbar captions): named in one
// place, so that every window reads and writes the same file.
#pragma once

#include <QSettings>

inline constexpr const char* SettingsOrganization = "Brenlow";
inline constexpr const char* SettingsApplication = "Lumacurve";

inline QSettings UserSettings()
{
    return QSettings(SettingsOrganization, SettingsApplication);
}
