// The seeds of the legacy fuzz target are the generator's files without the
// word "Lumacurve" (the target puts it in front of each input), byte for
// byte. With LUMACURVE_WRITE_LEGACY_SEEDS set, the test writes them instead
// (after the generator changed), so the corpus never holds a file from
// elsewhere.
#include "legacyfiles.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <cstdlib>
#include <map>
#include <string>
#include <string_view>

TEST(LegacyCorpus, IsWhatTheGeneratorWrites)
{
    const QDir folder(QString(LUMACURVE_SOURCE_DIR) + "/fuzz/corpus/fuzz_legacy");
    std::map<std::string, std::string> seeds;
    for (const auto& [name, bytes] : legacy::LegacySeeds())
        seeds[name] = bytes.substr(std::string_view("Lumacurve").size());
    if (std::getenv("LUMACURVE_WRITE_LEGACY_SEEDS")) {
        ASSERT_TRUE(folder.mkpath("."));
        for (const QString& name : folder.entryList(QDir::Files))
            QFile::remove(folder.filePath(name));
        for (const auto& [name, bytes] : seeds) {
            QFile file(folder.filePath(QString::fromStdString(name)));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            ASSERT_EQ(file.write(bytes.data(), static_cast<qint64>(bytes.size())),
                      static_cast<qint64>(bytes.size()));
        }
    }
    const QStringList names = folder.entryList(QDir::Files, QDir::Name);
    ASSERT_EQ(static_cast<std::size_t>(names.size()), seeds.size()) << names.join(' ').toStdString();
    for (const auto& [name, bytes] : seeds) {
        QFile file(folder.filePath(QString::fromStdString(name)));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name;
        EXPECT_EQ(file.readAll().toStdString(), bytes) << name;
    }
}
