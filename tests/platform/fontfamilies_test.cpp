// Font families named by documents and preferences resolve to the faces
// installed with the program, whatever fontconfig would choose for them: the
// layout of formulas, the whiteboard and axis labels must not depend on
// which fonts other packages installed.
#include "platform/fontfamilies.h"

#include <QCoreApplication>
#include <QFile>
#include <QFontInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// Set in the copy of this program that runs under the configuration below.
constexpr const char* PreferenceVariable = "LUMACURVE_TEST_FONT_PREFERENCE";

// A fontconfig configuration that prefers another face for "Arial", as the
// fonts some packages install make it prefer theirs.
constexpr const char* OtherPreference = R"(<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">
<fontconfig>
  <include ignore_missing="yes">/etc/fonts/fonts.conf</include>
  <match target="pattern">
    <test name="family" qual="first"><string>Arial</string></test>
    <edit name="family" mode="assign_replace" binding="strong"><string>DejaVu Serif</string></edit>
  </match>
</fontconfig>
)";

} // namespace

TEST(FontFamilies, DocumentFamiliesResolveToTheInstalledFaces)
{
    if (qEnvironmentVariableIsSet(PreferenceVariable)) {
        // The configuration took: left to fontconfig, "Arial" is another face.
        ASSERT_EQ(QFontInfo(QFont("Arial")).family().toStdString(), "DejaVu Serif");
    }
    const struct {
        const char* named;
        const char* face;
    } rows[] = {
        {"Arial", "Liberation Sans"},
        {"ARIAL", "Liberation Sans"},
        {"Helvetica", "Liberation Sans"},
        {"Times New Roman", "Liberation Serif"},
        {"Courier New", "Liberation Mono"},
        {"Symbol", "DejaVu Sans"},
        {"DejaVu Serif", "DejaVu Serif"},
        {"Liberation Sans", "Liberation Sans"},
        {"No Such Face Anywhere", "DejaVu Sans"},
        {"", "DejaVu Sans"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(ResolvedFamily(row.named).toStdString(), row.face) << row.named;
        // The face drawn with is the one named: install fonts-liberation2 and fonts-dejavu-core.
        const QFont font = FamilyFont(row.named, 12);
        EXPECT_EQ(QFontInfo(font).family().toStdString(), row.face) << row.named;
        EXPECT_EQ(font.pointSize(), 12);
    }
}

TEST(FontFamilies, FontconfigsPreferencesDoNotChangeTheFaces)
{
    if (qEnvironmentVariableIsSet(PreferenceVariable))
        GTEST_SKIP() << "this is the copy run under the other preference";
    QTemporaryDir dir;
    QFile configuration(dir.filePath("fonts.conf"));
    ASSERT_TRUE(configuration.open(QIODevice::WriteOnly));
    configuration.write(OtherPreference);
    configuration.close();
    // The font database is read once per program, so the check runs in a copy
    // of this program started under the other preference.
    QProcess copy;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("FONTCONFIG_FILE", configuration.fileName());
    environment.insert(PreferenceVariable, "1");
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    copy.setProcessEnvironment(environment);
    copy.setProcessChannelMode(QProcess::MergedChannels);
    copy.start(QCoreApplication::applicationFilePath(),
               {"--gtest_filter=FontFamilies.DocumentFamiliesResolveToTheInstalledFaces"});
    ASSERT_TRUE(copy.waitForFinished(60000));
    const QString output = QString::fromLocal8Bit(copy.readAll());
    EXPECT_EQ(copy.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains("[  PASSED  ] 1 test")) << output.toStdString();
}
