// Shared entry point of every test program: tests that draw need a Qt
// application object (a widget one once the widget library exists), and test
// discovery runs this same main. Every test gets a home, settings and data
// folders of its own, so tests never touch the user's settings, documents or
// data, and tests running at the same time never share them.
#ifdef LUMACURVE_HAVE_WIDGETS
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QGuiApplication>
using TestApplication = QGuiApplication;
#endif
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

namespace {

// The folders the freedesktop rules, and so QStandardPaths and QSettings, take
// the user's files from.
constexpr const char* PrivateFolders[][2] = {
    {"HOME", "home"},
    {"XDG_CONFIG_HOME", "home/.config"},
    {"XDG_DATA_HOME", "home/.local/share"},
    {"XDG_STATE_HOME", "home/.local/state"},
    {"XDG_CACHE_HOME", "home/.cache"},
    {"XDG_RUNTIME_DIR", "run"},
};

// Points the user's folders into a fresh folder: made before the Qt
// application so that nothing reads the real ones first, and made afresh
// for each test.
class TPrivateFolders : public ::testing::EmptyTestEventListener {
public:
    TPrivateFolders() { Renew(); }
    void OnTestStart(const ::testing::TestInfo&) override { Renew(); }

private:
    void Renew()
    {
        folder_ = std::make_unique<QTemporaryDir>();
        if (!folder_->isValid()) {
            std::fprintf(stderr, "tests: no private folder could be made for the user's files\n");
            std::exit(1);
        }
        for (const auto& [variable, path] : PrivateFolders) {
            const QString full = folder_->filePath(path);
            QDir().mkpath(full);
            // The runtime folder (where the guide channel listens) is the user's alone.
            QFile::setPermissions(full, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            setenv(variable, full.toLocal8Bit().constData(), 1);
        }
        // QSettings keeps the folder it found first for the program's life.
        const QString config = folder_->filePath("home/.config");
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, config);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, config);
    }

    std::unique_ptr<QTemporaryDir> folder_;
};

} // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
    auto* folders = new TPrivateFolders;
    TestApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(folders); // owned by the listeners
    return RUN_ALL_TESTS();
}
