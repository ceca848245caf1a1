// A decimal-comma locale made for the tests. Qt takes LC_NUMERIC from the
// environment, so numbers in documents, markup and tool output must not follow
// the user's locale; the machine need not have such a locale installed, so
// localedef compiles German numbers (1.234,5) into a private folder once per
// test program, and LOCPATH points the C library there.
#pragma once

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <optional>
#include <string>

namespace commalocale {

inline constexpr const char* Name = "de_DE.UTF-8";

// The folder that holds the locale (for LOCPATH), or an empty text when it
// could not be made; why then says what went wrong.
inline QString Folder(std::string* why = nullptr)
{
    static QTemporaryDir dir;
    static std::string failure;
    static const QString folder = [] {
        if (!dir.isValid()) {
            failure = "no temporary folder";
            return QString();
        }
        QProcess localedef;
        localedef.setProcessChannelMode(QProcess::MergedChannels);
        localedef.start("localedef", {"-i", "de_DE", "-f", "UTF-8", dir.filePath(Name)});
        if (!localedef.waitForFinished(120000) || localedef.exitStatus() != QProcess::NormalExit ||
            !QFileInfo::exists(dir.filePath(QString(Name) + "/LC_NUMERIC"))) {
            failure = "localedef could not make " + std::string(Name) +
                      " (install the locales package): " + localedef.readAll().toStdString();
            return QString();
        }
        return dir.path();
    }();
    if (why)
        *why = failure;
    return folder;
}

// The environment of a child process running under the decimal-comma locale.
inline QProcessEnvironment Environment(QProcessEnvironment base = QProcessEnvironment::systemEnvironment())
{
    base.insert("LOCPATH", Folder());
    base.insert("LC_ALL", Name);
    base.insert("LANG", Name);
    return base;
}

// Switches this process's C locale to the decimal-comma one while it lives.
// Ready() says whether the switch worked: a test must fail, not pass
// unchecked, when the locale is missing.
class TScope {
public:
    TScope()
    {
        std::string why;
        const QString folder = Folder(&why);
        if (folder.isEmpty()) {
            why_ = why;
            return;
        }
        if (const char* old = std::getenv("LOCPATH"))
            oldPath_ = old;
        if (const char* old = std::setlocale(LC_ALL, nullptr))
            oldLocale_ = old;
        setenv("LOCPATH", folder.toLocal8Bit().constData(), 1);
        if (!std::setlocale(LC_ALL, Name)) {
            why_ = std::string("setlocale refused ") + Name;
            return;
        }
        const char* point = std::localeconv()->decimal_point;
        if (!point || std::string(point) != ",")
            why_ = std::string(Name) + " does not use a decimal comma";
    }
    ~TScope()
    {
        // The old locale may come from the system's archive, which the C
        // library ignores while LOCPATH is set.
        if (oldPath_)
            setenv("LOCPATH", oldPath_->c_str(), 1);
        else
            unsetenv("LOCPATH");
        std::setlocale(LC_ALL, oldLocale_.empty() ? "C" : oldLocale_.c_str());
    }
    TScope(const TScope&) = delete;
    TScope& operator=(const TScope&) = delete;

    [[nodiscard]] bool Ready() const { return why_.empty(); }
    [[nodiscard]] const std::string& Why() const { return why_; }

private:
    std::string why_;
    std::string oldLocale_;
    std::optional<std::string> oldPath_;
};

// Runs check under the C locale, then under the decimal-comma one (a test
// failure when that cannot be made); check gets the locale's name for its
// messages.
template <class Check> void UnderEachLocale(Check check)
{
    {
        const std::string old = std::setlocale(LC_ALL, nullptr);
        std::setlocale(LC_ALL, "C");
        check("C");
        std::setlocale(LC_ALL, old.c_str());
    }
    const TScope comma;
    ASSERT_TRUE(comma.Ready()) << comma.Why();
    check(Name);
}

} // namespace commalocale
