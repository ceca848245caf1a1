// Opening a document of the older binary layout in the window: its lines
// come up, Save asks for a name beside it with ".lcv" and never writes over
// it, and a file cut short is read as far as it goes with the message that
// names the record lost. Parse errors in its formulas stay silent.
#include "app/lumacurveform.h"
#include "equations/equationswindow.h"
#include "legacyfiles.h"
#include "mainwindow_testing.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

using namespace legacy;

namespace {

class LegacyOpening : public ::testing::Test {
protected:
    void SetUp() override
    {
        form = MakeQuietForm<TAnsweringForm>();
        ASSERT_NE(form, nullptr);
        for (int wait = 0; wait < 200 && !form->Started(); ++wait)
            QTest::qWait(10);
        ASSERT_TRUE(form->Started());
    }
    void TearDown() override
    {
        if (form) {
            form->SetModified(false);
            form.reset();
        }
        ResetProgramState();
    }
    QString WriteLegacy(const QString& name, const Bytes& bytes)
    {
        const QString path = dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes.data(), static_cast<qint64>(bytes.size()));
        return path;
    }
    static QByteArray Read(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    QTemporaryDir dir;
    std::unique_ptr<TAnsweringForm> form;
};

} // namespace

TEST_F(LegacyOpening, LinesComeUpAndSaveSuggestsANameBesideIt)
{
    const Bytes bytes = File(EveryKind());
    const QString old = WriteLegacy("worksheet.lcv", bytes);
    ASSERT_TRUE(form->OpenFile(old));
    EXPECT_EQ(form->Equations()->Count(), 14);
    EXPECT_TRUE(form->LastMessage().isEmpty()) << form->LastMessage().toStdString();
    form->saveName.clear();
    ASSERT_TRUE(form->Commands().Trigger("ActionFileSave"));
    EXPECT_EQ(form->saveSuggested, QStringList{dir.filePath("worksheet.lcv")});
    // Another name is given: the old file stays as it was.
    form->saveName = dir.filePath("converted.lcv");
    ASSERT_TRUE(form->Commands().Trigger("ActionFileSave"));
    EXPECT_TRUE(Read(dir.filePath("converted.lcv")).startsWith("Lumacurve for windows version 3.101\r\n"));
    EXPECT_EQ(Read(old).toStdString(), bytes);
}

TEST_F(LegacyOpening, ACutFileIsReadAsFarAsItGoes)
{
    // A formula the parser refuses is no damage the window reports.
    ASSERT_TRUE(
        form->OpenFile(WriteLegacy("fault.old", File({{0, 1, 25, 0, 0, "x" + Plus + End, {"y=x+"}}}))));
    EXPECT_EQ(form->Equations()->Count(), 1);
    EXPECT_TRUE(form->LastMessage().isEmpty()) << form->LastMessage().toStdString();
    const Bytes whole = File(EveryKind());
    ASSERT_TRUE(form->OpenFile(WriteLegacy("cut.lcv", whole.substr(0, whole.size() / 2))));
    EXPECT_GT(form->Equations()->Count(), 0);
    EXPECT_TRUE(form->LastMessage().startsWith("I got stuck but have done my best.") &&
                form->LastMessage().contains("record 6: the file ends inside this record"))
        << form->LastMessage().toStdString();
    // A text that only starts with the word is no document.
    ASSERT_FALSE(form->OpenFile(WriteLegacy("note.lcv", "Lumacurve notes\r\n" + Bytes(200, 'a'))));
    EXPECT_EQ(form->LastMessage(), "Lumacurve cannot open this file.");
}
