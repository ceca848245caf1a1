// Transformation lines are entered as the image of the line above: each row
// is a typed line, a point and where its map takes the point; the record
// each image writes is entered again and must give the same map.
#include "entry/entry.h"
#include "entry/transformentry.h"
#include "formula/markup.h"
#include "geometry/transformation.h"
#include "platform/mainwindowbase.h"
#include "plot/formulacurve.h"
#include "settings/mathswriter.h"

#include "fieldlists.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

class TWarningRecorder : public TMainWindowBase {
public:
    void ShowWarning(std::string_view text) override { warnings.emplace_back(text); }
    std::vector<std::string> warnings;
};

class TransformEntry : public ::testing::Test {
protected:
    void SetUp() override
    {
        AngleFactor = RadiansFactor;
        parabola = Enter("y=x{^{2}", nullptr);
        ASSERT_NE(dynamic_cast<TYofX*>(parabola.get()), nullptr);
        MainWindow = &recorder;
    }
    void TearDown() override
    {
        AngleFactor = DegreesFactor;
        MainWindow = nullptr;
    }

    std::unique_ptr<TEquationObject> Enter(const std::string& markup, TEquationObject* parent)
    {
        TEditor line;
        line.SetElements(ElementsFromText(markup));
        line.SetParent(parent);
        TParseParams params;
        params.declaredNames = &declared;
        std::unique_ptr<TEquationObject> object = ClassifyLine(line, params);
        message = HasError(params) ? params.error.message : "";
        return object;
    }

    std::unique_ptr<TEquationObject> parabola;
    std::string message;
    TWarningRecorder recorder;
    std::vector<TEquationObject*> declared;
};

const std::string Degrees = "\xAA";

struct TMapCase {
    std::string markup;
    TRealPoint from, to;
};

} // namespace

TEST_F(TransformEntry, StepsMapPointsAndReadBackFromTheirRecords)
{
    const TMapCase cases[] = {
        {Fields(4, 5, {"Rotation about", "{coords{1}{0}", "angle", "90" + Degrees}), {2, 0}, {1, 1}},
        {Fields(4, 5, {"Rotation about", "{coords{0}{0}", "angle", "quarter turn clockwise"}),
         {1, 0},
         {0, -1}},
        {Fields(4, 5, {"Rotation about", "{coords{0}{0}", "angle", "half turn"}), {1, 2}, {-1, -2}},
        // Without a unit mark the angle is in radians: cos 1 and sin 1.
        {Fields(4, 5, {"Rotation about", "{coords{0}{0}", "angle", "1"}),
         {1, 0},
         {0.5403023058681398L, 0.8414709848078965L}},
        {Fields(4, 5, {"Rotation about", "{coords{0}{0}", "angle", "1+2"}),
         {1, 0},
         {-0.9899924966004454L, 0.1411200080598672L}},
        {Fields(2, 1, {"Reflection in", "y=x"}), {3, 1}, {1, 3}},
        {Fields(2, 1, {"Reflection in", "y=x+1"}), {0, 0}, {-1, 1}},
        {Fields(2, 1, {"Reflection in", "x axis"}), {2, 3}, {2, -3}},
        {Fields(2, 1, {"Reflection in", "y axis"}), {2, 3}, {-2, 3}},
        {Fields(2, 1, {"Reflection in", "x=2"}), {0, 5}, {4, 5}},
        {Fields(4, 5, {"Enlargement centre", "{coords{1}{1}", "factor", "2"}), {2, 3}, {3, 5}},
        {Fields(4, 5, {"Stretch line", "y=0", "factor", "3"}), {2, 1}, {2, 3}},
        {Fields(4, 5, {"Shear line", "y=0", "factor", "2"}), {1, 1}, {3, 1}},
        {Fields(2, 1, {"Matrix", "{Mtrx \x02\x02{0}{-1}{1}{0}"}), {1, 0}, {0, 1}},
        {Fields(2, 1, {"Translation", "{Mtrx \x02\x01{3}{-2}"}), {1, 1}, {4, -1}},
        // Steps act in the order of the line.
        {Fields(2, 1, {"Matrix", "{Mtrx \x02\x02{2}{0}{0}{1}"}) +
             Fields(2, 1, {"Translation", "{Mtrx \x02\x01{1}{0}"}),
         {1, 0},
         {3, 0}},
        {Fields(2, 1, {"Translation", "{Mtrx \x02\x01{1}{0}"}) +
             Fields(2, 1, {"Matrix", "{Mtrx \x02\x02{2}{0}{0}{1}"}),
         {1, 0},
         {4, 0}},
        {Fields(2, 1, {"repeats", "3"}) + Fields(2, 1, {"Translation", "{Mtrx \x02\x01{1}{0}"}),
         {0, 0},
         {1, 0}},
    };
    for (const TMapCase& c : cases) {
        SCOPED_TRACE(c.markup);
        auto object = Enter(c.markup, parabola.get());
        auto* image = dynamic_cast<TTransformation*>(object.get());
        ASSERT_NE(image, nullptr) << message;
        EXPECT_EQ(image->PrimaryCurve, parabola.get());
        TTransform map;
        ASSERT_TRUE(image->Composite(map));
        TRealPoint p = map.Apply(c.from);
        EXPECT_NEAR(p.x, c.to.x, 1e-12);
        EXPECT_NEAR(p.y, c.to.y, 1e-12);

        TMathsWriter writer;
        image->WriteDefinition(writer);
        auto again = Enter(writer.Text(), parabola.get());
        auto* reread = dynamic_cast<TTransformation*>(again.get());
        ASSERT_NE(reread, nullptr) << message << " reading back " << writer.Text();
        EXPECT_EQ(reread->Repeats, image->Repeats);
        TTransform map2;
        ASSERT_TRUE(reread->Composite(map2));
        p = map2.Apply(c.from);
        EXPECT_NEAR(p.x, c.to.x, 1e-9) << writer.Text();
        EXPECT_NEAR(p.y, c.to.y, 1e-9) << writer.Text();
    }
}

TEST_F(TransformEntry, RepeatsCount)
{
    const std::string translate = Fields(2, 1, {"Translation", "{Mtrx \x02\x01{1}{0}"});
    const struct {
        std::string count;
        int repeats;
        const char* message;
    } cases[] = {
        {"4", 4, ""},
        {"1000", 1000, ""},
        // A count beyond what can be drawn is refused rather than left to hang the graph.
        {"1001", 0, ParseMessage::TooBig},
        {"100000", 0, ParseMessage::TooBig},
        {"2.5", 0, ParseMessage::NotInteger},
        {"-3", 0, ParseMessage::NotPositive},
        {"0", 0, ParseMessage::NotPositive},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.count);
        auto object = Enter(Fields(2, 1, {"repeats", c.count}) + translate, parabola.get());
        EXPECT_EQ(message, c.message);
        auto* image = dynamic_cast<TTransformation*>(object.get());
        EXPECT_EQ(image != nullptr, *c.message == 0);
        if (image) {
            EXPECT_EQ(image->Repeats, c.repeats);
        }
    }
}

TEST_F(TransformEntry, MessagesOfWrongLines)
{
    const std::string translate = Fields(2, 1, {"Translation", "{Mtrx \x02\x01{1}{0}"});
    const struct {
        std::string markup;
        const char* message;
    } cases[] = {
        {Fields(2, 1, {"repeats", "2"}) + Fields(2, 1, {"repeats", "3"}) + translate,
         TransformMessage::OneRepeat},
        // Only 2x2 and 2x1 matrices have maps.
        {Fields(2, 1, {"Matrix", "{Mtrx \x03\x03{1}{0}{0}{0}{1}{0}{0}{0}{1}"}), ParseMessage::NotUnderstood},
        {Fields(2, 1, {"Matrix", "{Mtrx \x01\x02{1}{0}"}), ParseMessage::NotUnderstood},
        {Fields(2, 1, {"Matrix", "3"}), ParseMessage::NotUnderstood},
        {Fields(2, 1, {"Matrix", "{Mtrx \x02\x02{1}{}{0}{1}"}), ParseMessage::EmptyCell},
        {Fields(2, 1, {"Matrix", ""}), ParseMessage::EmptyCell},
        {Fields(2, 1, {"Reflection in", "y=x{^{2}"}), TransformMessage::NotStraightLine},
        {Fields(2, 1, {"Reflection in", "3"}), TransformMessage::NotStraightLine},
        {Fields(2, 1, {"Reflection in", ""}), ParseMessage::EmptyCell},
        {Fields(4, 5, {"Enlargement centre", "{coords{1}{1}", "factor", ""}), TransformMessage::ScaleFactor},
        {Fields(4, 5, {"Shear line", "y=0", "factor", ""}), TransformMessage::NumberHere},
        {Fields(4, 5, {"Stretch line", "y=0", "factor", ""}), TransformMessage::NumberHere},
        {Fields(4, 5, {"Rotation about", "", "angle", "1"}), EntryMessage::NeedCoordinates},
        {Fields(4, 5, {"Rotation about", "{coords{0}{0}", "angle", ""}), ParseMessage::EmptyCell},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.markup);
        auto object = Enter(c.markup, parabola.get());
        EXPECT_EQ(object, nullptr);
        EXPECT_EQ(message, c.message);
    }
    EXPECT_TRUE(recorder.warnings.empty());
}

TEST_F(TransformEntry, NothingToRepeatAndNoParent)
{
    auto object = Enter(Fields(2, 1, {"repeats", "3"}), parabola.get());
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(message, TransformMessage::NothingToRepeat);
    ASSERT_EQ(recorder.warnings.size(), 1u);
    EXPECT_EQ(recorder.warnings[0], "Nothing to repeat!");

    object = Enter(Fields(2, 1, {"Translation", "{Mtrx \x02\x01{1}{0}"}), nullptr);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(message, EntryMessage::CannotPaste);
}

TEST_F(TransformEntry, UndefinedNamesWait)
{
    for (const std::string& markup :
         {Fields(4, 5, {"Enlargement centre", "{coords{0}{0}", "factor", "k"}),
          Fields(2, 1, {"Matrix", "{Mtrx \x02\x02{k}{0}{0}{1}"}),
          Fields(2, 1, {"repeats", "m"}) + Fields(2, 1, {"Translation", "{Mtrx \x02\x01{1}{0}"})}) {
        SCOPED_TRACE(markup);
        auto object = Enter(markup, parabola.get());
        ASSERT_NE(object, nullptr) << message;
        EXPECT_EQ(dynamic_cast<TTransformation*>(object.get()), nullptr)
            << "waits for the name to be declared";
    }
}

TEST(TransformMap, PowersBySquaringAndInverse)
{
    // A quarter turn four times is the identity; a translation n times moves n steps.
    const TTransform quarter(TRealMatrix(0, -1, 1, 0), TRealMatrix::Column(0, 0));
    const TRealPoint p = quarter.Power(4).Apply({2, 3});
    EXPECT_NEAR(p.x, 2, 1e-15);
    EXPECT_NEAR(p.y, 3, 1e-15);
    const TTransform step(TRealMatrix(2, 2), TRealMatrix::Column(1, -2));
    const TRealPoint q = step.Power(1000).Apply({0, 0});
    EXPECT_EQ(q.x, 1000);
    EXPECT_EQ(q.y, -2000);
    TRealPoint back;
    ASSERT_TRUE(TTransform(TRealMatrix(2, 0, 0, 3), TRealMatrix::Column(1, 1)).ApplyInverse({5, 7}, back));
    EXPECT_NEAR(back.x, 2, 1e-15);
    EXPECT_NEAR(back.y, 2, 1e-15);
    EXPECT_FALSE(TTransform(TRealMatrix(1, 2, 2, 4), TRealMatrix::Column(0, 0)).ApplyInverse({1, 1}, back));
}

TEST_F(TransformEntry, CommandLinesReadAsTheirTransformations)
{
    AngleFactor = DegreesFactor;
    const TMapCase complete[] = {
        {TurnLineMarkup(-90), {1, 0}, {0, -1}},
        {TurnLineMarkup(90), {1, 0}, {0, 1}},
        {TurnLineMarkup(180), {1, 2}, {-1, -2}},
        {TurnLineMarkup(45), {1, 0}, {0.70710678118654752L, 0.70710678118654752L}},
        {ReflectionLineMarkup("x axis"), {1, 2}, {1, -2}},
        {ReflectionLineMarkup("y axis"), {1, 2}, {-1, 2}},
        {ReflectionLineMarkup("y=x"), {1, 2}, {2, 1}},
        {ReflectionLineMarkup("y=-x"), {1, 2}, {-2, -1}},
    };
    for (const TMapCase& c : complete) {
        SCOPED_TRACE(c.markup);
        auto object = Enter(c.markup, parabola.get());
        auto* image = dynamic_cast<TTransformation*>(object.get());
        ASSERT_NE(image, nullptr) << message;
        TTransform map;
        ASSERT_TRUE(image->Composite(map));
        const TRealPoint p = map.Apply(c.from);
        EXPECT_NEAR(p.x, c.to.x, 1e-12);
        EXPECT_NEAR(p.y, c.to.y, 1e-12);
    }
    // The lines to fill in wait for their numbers.
    for (const auto command :
         {TTransformCommand::Translate, TTransformCommand::Matrix, TTransformCommand::Reflect,
          TTransformCommand::Rotate, TTransformCommand::Clockwise, TTransformCommand::Enlarge,
          TTransformCommand::Stretch, TTransformCommand::Shear}) {
        const std::string markup = TransformLineMarkup(command, true);
        SCOPED_TRACE(markup);
        EXPECT_EQ(Enter(markup, parabola.get()), nullptr);
        EXPECT_FALSE(message.empty());
    }
    // Filled in, a clockwise rotation turns the other way.
    std::string clockwise = TransformLineMarkup(TTransformCommand::Clockwise, true);
    clockwise.replace(clockwise.find("{coords{}{}"), 11, "{coords{0}{0}");
    clockwise.insert(clockwise.rfind("{") + 1, "90");
    auto object = Enter(clockwise, parabola.get());
    auto* image = dynamic_cast<TTransformation*>(object.get());
    ASSERT_NE(image, nullptr) << message << " " << clockwise;
    TTransform map;
    ASSERT_TRUE(image->Composite(map));
    EXPECT_NEAR(map.Apply({1, 0}).y, -1, 1e-12);
}
