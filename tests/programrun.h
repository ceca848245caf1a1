// Shared by the tests that run the desktop program as a user would: where
// the built program is, and the environment of a run (off screen, the user's
// folders inside a home of the test's own, the numbers of the C locale unless
// the caller changes them, the start-up phases on standard error).
#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QTemporaryDir>

inline const QString Program = QStringLiteral(LUMACURVE_BINARY_DIR "/src/lumacurve");

inline QProcessEnvironment ProgramEnvironment(const QTemporaryDir& home)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.insert("LUMACURVE_TIMINGS", "1");
    environment.insert("HOME", home.filePath("home"));
    environment.insert("XDG_CONFIG_HOME", home.filePath("home/.config"));
    environment.insert("XDG_DATA_HOME", home.filePath("home/.local/share"));
    environment.insert("XDG_STATE_HOME", home.filePath("home/.local/state"));
    environment.insert("XDG_CACHE_HOME", home.filePath("home/.cache"));
    environment.insert("LC_ALL", "C");
    return environment;
}
