// The settings record: the defaults a fresh program starts from, the reset
// before a document is read, the settings lock and the derived tests.
#include "settings/configuration.h"

#include "numbers/evalstate.h"
#include "numbers/numerics.h"

#include <gtest/gtest.h>

namespace {

class ConfigurationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Configuration.PrintName.clear();
        ResetSettings();
        DrawMode = 0;
    }
    void TearDown() override
    {
        Configuration.PrintName.clear();
        ResetSettings();
        DrawMode = 0;
    }
};

} // namespace

TEST_F(ConfigurationTest, FreshProgramHasTheBuiltInDefaults)
{
    const TConfiguration& c = Configuration;
    EXPECT_EQ(c.AngleFactor, DegreesFactor);
    EXPECT_FALSE(c.Radians());
    EXPECT_EQ(c.Accuracy, 10);
    EXPECT_TRUE(c.AutoAccuracy);
    EXPECT_EQ(c.ThickLines, 1);
    EXPECT_EQ(c.ZoomFactor, 200);
    EXPECT_EQ(c.MouseFigures, 2);
    EXPECT_EQ(c.RepeatsDelay, 5);
    EXPECT_TRUE(c.Grid);
    EXPECT_TRUE(c.DrawAxes);
    EXPECT_TRUE(c.LabelAxes);
    EXPECT_EQ(c.PolarGrid, 0);
    EXPECT_TRUE(c.DragCurves);
    EXPECT_TRUE(c.Unlocked);
    EXPECT_FALSE(c.TransformDialogs);
    EXPECT_FALSE(c.DemonstrationDraw);
    EXPECT_EQ(c.DecimalPoint, '.');
    EXPECT_TRUE(c.Password.empty());
    EXPECT_TRUE(c.ShadeSide && c.ShadeShapes && c.LabelCoordinates && c.AllowDocking);
    EXPECT_TRUE(c.ShowHints && c.ShowGraphNames);
    EXPECT_FALSE(c.DefineConstants || c.Pause || c.ConstructionLines || c.DrawInvariants);
    EXPECT_EQ(c.AccuracyHundreds(), 1000);
}

TEST_F(ConfigurationTest, ResetKeepsThePrintNameAndRestoresTheRest)
{
    Configuration.SetPrintName("Class 4B");
    Configuration.AngleFactor = 1;
    Configuration.DecimalPoint = ',';
    Configuration.ThickLines = 5;
    Configuration.Grid = false;
    Configuration.Password = "secret";
    Configuration.Unlocked = false;
    Configuration.ZoomFactor = 350;
    ResetSettings();
    EXPECT_EQ(Configuration.PrintName, "Class 4B");
    Configuration.PrintName.clear();
    EXPECT_EQ(Configuration.AngleFactor, DefaultConfiguration.AngleFactor);
    EXPECT_EQ(Configuration.ThickLines, 1);
    EXPECT_TRUE(Configuration.Grid);
    EXPECT_TRUE(Configuration.Password.empty());
    EXPECT_TRUE(Configuration.Unlocked);
    EXPECT_EQ(Configuration.ZoomFactor, 200);
    // The evaluator and the number format follow the record in force.
    EXPECT_EQ(AngleFactor, DegreesFactor);
    EXPECT_EQ(DecimalPoint, '.');
}

TEST_F(ConfigurationTest, PrintNameIsCutToThirtyCharacters)
{
    Configuration.SetPrintName(std::string(45, 'n'));
    EXPECT_EQ(Configuration.PrintName.size(), 30u);
}

TEST_F(ConfigurationTest, PasswordLockComparesWithoutRegardToCase)
{
    struct Row {
        const char* password;
        const char* typed;
        bool unlocks;
    };
    const Row rows[] = {
        {"SQUARE PLOTTER", "square plotter", true},
        {"SQUARE PLOTTER", "Square Plotter", true},
        {"SQUARE PLOTTER", "SQUARE PLOTTER", true},
        {"SQUARE PLOTTER", "square plotte", false},
        {"SQUARE PLOTTER", "", false},
        {"Caf\xE9", "CAF\xC9", true},
        {"", "", true},
        {"", "x", false},
    };
    for (const Row& row : rows) {
        Configuration.Password = row.password;
        Configuration.Unlocked = !row.unlocks;
        EXPECT_EQ(Configuration.CheckPassword(row.typed), row.unlocks) << row.password << " / " << row.typed;
        EXPECT_EQ(Configuration.Unlocked, row.unlocks);
    }
    Configuration.Password = std::string(BuiltInPassword);
    Configuration.Unlocked = false;
    Configuration.ClearPassword();
    EXPECT_TRUE(Configuration.Password.empty());
    EXPECT_TRUE(Configuration.Unlocked);
}

TEST_F(ConfigurationTest, DraggableCurvesNeedDraggingUnlockedAndNoDemonstration)
{
    struct Row {
        bool drag, unlocked, modal;
        std::uint8_t drawMode;
        bool inUse;
    };
    const Row rows[] = {
        {true, true, false, 0, true},
        {false, true, false, 0, false},
        {true, false, false, 0, false},
        {true, true, true, 0, false},
        {true, true, false, dmDemonstration | dmDrawVisibly, false},
        {true, true, false, dmDemonstration, true}, // the setting alone is not a drawing in progress
        {true, true, false, dmDrawVisibly, true},
    };
    for (const Row& row : rows) {
        Configuration.DragCurves = row.drag;
        Configuration.Unlocked = row.unlocked;
        DrawMode = row.drawMode;
        EXPECT_EQ(DraggableCurvesInUse(row.modal), row.inUse);
    }
}

TEST_F(ConfigurationTest, DeviceMetricsComeFromPixelsPerInch)
{
    const Extended x = MillimetresPerPixelX, y = MillimetresPerPixelY, aspect = PixelAspect;
    SetDeviceMetrics(96, 192);
    EXPECT_NEAR(static_cast<double>(MillimetresPerPixelX), 25.4 / 96, 1e-12);
    EXPECT_NEAR(static_cast<double>(MillimetresPerPixel(1)), 25.4 / 192, 1e-12);
    EXPECT_EQ(PixelAspect, 2);
    SetDeviceMetrics(0, 96); // a device without metrics changes nothing
    EXPECT_EQ(PixelAspect, 2);
    MillimetresPerPixelX = x;
    MillimetresPerPixelY = y;
    PixelAspect = aspect;
}

TEST_F(ConfigurationTest, GraphPaperSchemesHaveThreeColoursEach)
{
    GraphPaperColour = 0;
    EXPECT_EQ(GraphPaperLineColour(0), RgbColour(143, 191, 143));
    EXPECT_EQ(GraphPaperLineColour(2), RgbColour(239, 255, 239));
    GraphPaperColour = 1;
    EXPECT_EQ(GraphPaperLineColour(1), RgbColour(191, 191, 223));
    GraphPaperColour = 0;
}
