// The Custom dialog's work without the dialog: the font-size arithmetic
// (documents hold negative cell heights, and opening and closing the dialog
// never makes a font grow), the scale factors that are refused, the
// password's character rule and lock, and what a changed setting changes.
#include "graph/customsettings.h"

#include "graph/graphparams.h"
#include "graph/scalehost.h"

#include "graphtesting.h"

#include <cmath>
#include <limits>

namespace {

class CustomSettingsTest : public GraphTest {
protected:
    void SetUp() override
    {
        GraphTest::SetUp();
        fontName = EquationsFontName;
        fontHeight = EquationsFontHeight;
    }
    void TearDown() override
    {
        EquationsFontName = fontName;
        EquationsFontHeight = fontHeight;
        GraphTest::TearDown();
    }
    TFixedScaleHost host{700, 500, GraphTestFont()};
    TGraphParams params{&host};
    std::string fontName;
    int fontHeight = 0;
};

TEST(FontSizeArithmetic, PointsBecomeNegativeCellHeightsAndBack)
{
    // Heights are pixels at 96 dots per inch: a point is 4/3 pixel.
    struct Row {
        int points, height;
    };
    for (const Row row :
         {Row{8, -11}, Row{9, -12}, Row{10, -13}, Row{11, -15}, Row{12, -16}, Row{14, -19}, Row{36, -48}}) {
        EXPECT_EQ(FontHeightForPoints(row.points), row.height) << row.points;
        EXPECT_EQ(PointsForFontHeight(row.height), row.points) << row.height;
    }
    // The size shown for a height read from a document, either sign.
    struct Shown {
        int height, points;
    };
    for (const Shown row : {Shown{-14, 11}, Shown{14, 11}, Shown{-20, 15}, Shown{-17, 13}, Shown{-1, 1}})
        EXPECT_EQ(PointsForFontHeight(row.height), row.points) << row.height;
    for (int points = 1; points <= 200; ++points)
        EXPECT_EQ(PointsForFontHeight(FontHeightForPoints(points)), points) << points;
}

TEST_F(CustomSettingsTest, ClosingTheDialogUnchangedNeverMakesTheFontGrow)
{
    // -14 pixels shows as 11 points, whose own height would be -15: the
    // height in force stays as long as the size is not changed.
    for (const int height : {-14, -16, -21}) {
        EquationsFontHeight = height;
        for (int round = 0; round < 5; ++round)
            ApplySettings(TCustomSettings::Current(&params));
        EXPECT_EQ(EquationsFontHeight, height);
    }
    TCustomSettings larger = TCustomSettings::Current(&params);
    larger.fontPoints = 18;
    ApplySettings(larger);
    EXPECT_EQ(EquationsFontHeight, -24);
    TCustomSettings renamed = TCustomSettings::Current(&params);
    renamed.fontName = "DejaVu Serif";
    ApplySettings(renamed);
    EXPECT_EQ(EquationsFontName, "DejaVu Serif");
    EXPECT_EQ(EquationsFontHeight, -24);
}

TEST(ScaleFactors, ZeroAndUndefinedFactorsAreRefused)
{
    struct Row {
        Extended value;
        bool usable;
    };
    for (const Row row : {Row{2, true}, Row{-1, true}, Row{0.001L, true}, Row{0, false},
                          Row{std::numeric_limits<Extended>::quiet_NaN(), false},
                          Row{std::numeric_limits<Extended>::infinity(), false}}) {
        const TRealReader factor(row.value);
        EXPECT_EQ(ScaleFactorProblem(&factor).empty(), row.usable) << static_cast<double>(row.value);
    }
    EXPECT_EQ(ScaleFactorProblem(nullptr), ""); // no factor: the axis is unscaled
    const TRealReader zero(0);
    EXPECT_EQ(ScaleFactorProblem(&zero), "The scale factor must not be 0");
}

TEST_F(CustomSettingsTest, ScaleFactorsGoThroughSetScalesAndZeroChangesNothing)
{
    const Extended xmax = params.Axes->XAxis->Max;
    std::string message;
    ASSERT_TRUE(ApplyScaleFactors(params, &host, "90", "", message)) << message;
    EXPECT_EQ(params.History.size(), 1u); // the scaling before is kept in the list
    EXPECT_EQ(static_cast<double>(params.Axes->XAxis->ScalingValue()), 90.0);
    EXPECT_EQ(params.Axes->XAxis->ScalingText(), "90");
    EXPECT_EQ(params.Axes->YAxis->ScalingText(), "");
    EXPECT_EQ(static_cast<double>(params.Axes->XAxis->Max), static_cast<double>(xmax));
    EXPECT_EQ(params.Axes->Scales->XScalingText, "90");

    for (const char* refused : {"0", "0*5", "1/0"}) {
        message.clear();
        EXPECT_FALSE(ApplyScaleFactors(params, &host, "2", refused, message)) << refused;
        EXPECT_FALSE(message.empty()) << refused;
        EXPECT_EQ(params.History.size(), 1u) << refused;
        EXPECT_EQ(params.Axes->XAxis->ScalingText(), "90") << refused;
    }
    ASSERT_TRUE(ApplyScaleFactors(params, &host, "", "", message));
    EXPECT_EQ(params.Axes->XAxis->ScalingText(), "");
    EXPECT_EQ(static_cast<double>(params.Axes->XAxis->ScalingValue()), 1.0);
}

TEST(PasswordCharacters, SettingKeepsToLettersEnteringTakesAnyPrintable)
{
    struct Row {
        char32_t c;
        bool set, enter;
    };
    for (const Row row :
         {Row{'a', true, true}, Row{'Z', true, true}, Row{' ', true, true}, Row{'1', false, true},
          Row{'!', false, true}, Row{'{', false, true}, Row{0xE9, false, true}, Row{'\t', false, false},
          Row{0x7F, false, false}, Row{0x0394, false, false}}) {
        EXPECT_EQ(PasswordCharacterAllowed(row.c, TPasswordMode::Set), row.set) << static_cast<int>(row.c);
        EXPECT_EQ(PasswordCharacterAllowed(row.c, TPasswordMode::Enter), row.enter)
            << static_cast<int>(row.c);
    }
}

TEST(PasswordLock, SetKeepsUnlockedEnterUnlocksInAnyCase)
{
    TConfiguration config;
    TPasswordLock lock(config);
    EXPECT_TRUE(lock.Set("Secret"));
    EXPECT_FALSE(lock.Set("Secret")); // the same text is no change
    EXPECT_TRUE(lock.Unlocked());
    config.Unlocked = false; // as a document with this password opens
    EXPECT_FALSE(lock.Enter("secrets"));
    EXPECT_FALSE(lock.Unlocked());
    EXPECT_TRUE(lock.Enter("sECRET"));
    EXPECT_TRUE(lock.Unlocked());
    // A document's password may hold any character; entering it unlocks.
    config.Password = "x1!";
    config.Unlocked = false;
    EXPECT_TRUE(lock.Enter("X1!"));
    EXPECT_TRUE(lock.Set(""));
    EXPECT_EQ(config.Password, "");
}

TEST_F(CustomSettingsTest, EachSettingChangesWhatItShould)
{
    using Change = void (*)(TCustomSettings&);
    struct Row {
        const char* name;
        Change change;
        bool redraw, thickness, labelOrShade, font, scales, stored;
    };
    const Row rows[] = {
        {"nothing", [](TCustomSettings&) {}, false, false, false, false, false, false},
        {"label", [](TCustomSettings& s) { s.config.LabelCoordinates = !s.config.LabelCoordinates; }, true,
         false, true, false, false, true},
        {"shade", [](TCustomSettings& s) { s.config.ShadeShapes = !s.config.ShadeShapes; }, true, false, true,
         false, false, true},
        {"thickness", [](TCustomSettings& s) { s.config.ThickLines = 3; }, true, true, false, false, false,
         true},
        {"zoom", [](TCustomSettings& s) { s.config.ZoomFactor = 300; }, false, false, false, false, false,
         true},
        {"mouse figures", [](TCustomSettings& s) { s.config.MouseFigures = 4; }, false, false, false, false,
         false, true},
        {"polar", [](TCustomSettings& s) { s.config.PolarGrid = 1; }, true, false, false, false, false, true},
        {"background", [](TCustomSettings& s) { s.background = RgbColour(255, 255, 0); }, true, false, false,
         false, false, true},
        {"paper", [](TCustomSettings& s) { s.graphPaperColour = 1; }, true, false, false, false, false, true},
        {"font size", [](TCustomSettings& s) { s.fontPoints += 2; }, false, false, false, true, false, true},
        {"scale factor", [](TCustomSettings& s) { s.yScaling = "2"; }, false, false, false, false, true,
         true},
        {"password", [](TCustomSettings& s) { s.config.Password = "abc"; }, false, false, false, false, false,
         true},
        {"drag curves", [](TCustomSettings& s) { s.config.DragCurves = !s.config.DragCurves; }, false, false,
         false, false, false, true},
        {"drag layout", [](TCustomSettings& s) { s.dragLayout = !s.dragLayout; }, false, false, false, false,
         false, true},
    };
    const TCustomSettings before = TCustomSettings::Current(&params);
    for (const Row& row : rows) {
        TCustomSettings after = before;
        row.change(after);
        const TCustomChanges c = CompareSettings(before, after);
        EXPECT_EQ(c.redraw, row.redraw) << row.name;
        EXPECT_EQ(c.thickness, row.thickness) << row.name;
        EXPECT_EQ(c.labelOrShade, row.labelOrShade) << row.name;
        EXPECT_EQ(c.font, row.font) << row.name;
        EXPECT_EQ(c.scales, row.scales) << row.name;
        EXPECT_EQ(c.stored, row.stored) << row.name;
    }
}

} // namespace
