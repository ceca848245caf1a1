// Starting and finishing the editing of a line: the object takes the line's
// place, a fault keeps the line (with its cells' anchors back), a change of
// kind is refused, an edited curve keeps its identity, and deleting a
// declared name makes its users wait for it instead of vanishing.
#include "document/equationlist.h"
#include "document/lineediting.h"
#include "entry/declarationlines.h"
#include "entry/entry.h"
#include "formula/editor.h"
#include "formula/markup.h"
#include "geometry/coordcurve.h"
#include "geometry/coordinates.h"
#include "geometry/polygon.h"
#include "platform/graphcolours.h"
#include "plot/curveplotter.h"
#include "plot/formulacurve.h"
#include "plot/implicitfunction.h"
#include "settings/configuration.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <typeinfo>

namespace {

// A derived line standing under a curve.
class TFakeDerived : public TDependentCurvePlotter {
public:
    explicit TFakeDerived(TCurvePLotter* primary) : TDependentCurvePlotter(primary) {}
    void DrawOnGraph(Canvas&, TGraphParams&) override {}
};

class LineEditingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        FamilyEnd();
        editing.RecordChange = [this] { ++changes; };
    }
    void TearDown() override
    {
        list.ClearAll();
        FamilyEnd();
        Configuration.DefineConstants = false;
    }

    // Types markup into a new line at the end and finishes it.
    TFinishResult Enter(const std::string& markup)
    {
        TEditor* line = editing.Begin(list.Count());
        line->SetElements(ElementsFromText(markup));
        line->ResetCaret();
        return editing.Finish(*line);
    }
    // Edits the line at index to markup and finishes it.
    TFinishResult Edit(int index, const std::string& markup)
    {
        TEditor* line = editing.Begin(index);
        EXPECT_NE(line, nullptr);
        line->SetElements(ElementsFromText(markup));
        line->ResetCaret();
        return editing.Finish(*line);
    }
    std::string Text(int index) const { return list.LineMarkup(index); }
    static std::string Kind(const TEquationObject* object)
    {
        return object ? typeid(*object).name() : "none";
    }

    TEquationList list;
    TLineEditing editing{list};
    int changes = 0;
};

TEST_F(LineEditingTest, EnteredLinesBecomeObjectsInTheirPlace)
{
    ASSERT_TRUE(Enter("y=x").editStopped);
    ASSERT_TRUE(Enter("x{^{2}+xy+y{^{2}=3").editStopped);
    ASSERT_EQ(list.Count(), 2);
    EXPECT_NE(dynamic_cast<TYofX*>(list.ItemAt(0)), nullptr);
    EXPECT_NE(dynamic_cast<TImplicitFunction*>(list.ItemAt(1)), nullptr);
    EXPECT_EQ(Text(0), "y=x");
    EXPECT_EQ(list.SelectedObject(), list.ItemAt(1));
    EXPECT_EQ(changes, 2);
    // Each new line takes the curve colour of its place.
    EXPECT_EQ(list.ItemAt(0)->colour, CurveColour(0));
    EXPECT_EQ(list.ItemAt(1)->colour, CurveColour(1));

    // An emptied line goes, and with it the object it edited.
    TFinishResult emptied = Edit(0, "");
    EXPECT_TRUE(emptied.editStopped);
    ASSERT_EQ(list.Count(), 1);
    EXPECT_NE(dynamic_cast<TImplicitFunction*>(list.ItemAt(0)), nullptr);
}

TEST_F(LineEditingTest, AFaultKeepsTheLineWithItsMessageAndPlace)
{
    struct {
        const char* markup;
        const char* message;
        const char* after; // the line's markup afterwards
    } rows[] = {
        {"y=2t", EntryMessage::NextFormula, "y=2t\tx="},
        {"sin x=0.5", EntryMessage::NeedsBoth, "sin x=0.5"},
        {"r<2", EntryMessage::NoInequality, "r<2"},
        {"{/{1}{}", nullptr, "{/{1}{}"},
    };
    for (const auto& row : rows) {
        list.ClearAll();
        Enter("y=x");
        TFinishResult result = Enter(row.markup);
        ASSERT_TRUE(result.Fault()) << row.markup;
        if (row.message) {
            EXPECT_EQ(result.message, row.message) << row.markup;
        }
        ASSERT_EQ(list.Count(), 2) << row.markup;
        auto* line = dynamic_cast<TEditor*>(list.ItemAt(1));
        ASSERT_NE(line, nullptr) << row.markup;
        EXPECT_EQ(list.LineMarkup(1), row.after) << row.markup;
        EXPECT_NE(dynamic_cast<TYofX*>(list.ItemAt(0)), nullptr) << "the other lines are untouched";
        // Every cell has its anchor again, so typing into it works.
        for (TEditorObject* e = line->Elements(); e; e = e->next) {
            auto* cells = dynamic_cast<TSublistsEditObject*>(e);
            for (int i = 0; cells && i < cells->CellCount(); ++i) {
                EXPECT_TRUE(IsAnchor(cells->Cell(i))) << row.markup << " cell " << i;
            }
        }
        EXPECT_TRUE(IsAnchor(line->Elements())) << row.markup;
    }
}

TEST_F(LineEditingTest, EditingACurveKeepsItAndItsDerivedLines)
{
    Enter("y=x");
    auto* curve = dynamic_cast<TCurvePLotter*>(list.ItemAt(0));
    ASSERT_NE(curve, nullptr);
    list.InsertObject(std::make_unique<TFakeDerived>(curve));
    ASSERT_EQ(list.Count(), 2);

    TFinishResult result = Edit(0, "y=x{^{2}");
    EXPECT_TRUE(result.editStopped);
    EXPECT_TRUE(result.message.empty());
    EXPECT_EQ(list.ItemAt(0), curve) << "the same object, with the new formula";
    EXPECT_EQ(Text(0), "y=x{^{2}");
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.ItemAt(1)->GetParent(), curve);
    EXPECT_TRUE(list.ItemAt(1)->MustRecalculate());
    EXPECT_EQ(curve->colour, CurveColour(0)) << "an edited curve keeps its colour";

    // A new line under the curve, its second dependant, mixes the curve's
    // colour with the table's second entry and lightens the mix.
    curve->colour = RgbColour(200, 0, 0);
    TEditor* line = editing.Begin(list.Count(), curve);
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->colour, LightenColour(AverageColour(RgbColour(200, 0, 0), CurveColour(1)), 5));
}

TEST_F(LineEditingTest, RemovingALineBeingEditedTakesItsObjectAndDerivedLinesAlong)
{
    Enter("y=x");
    Enter("y=2");
    auto* curve = dynamic_cast<TCurvePLotter*>(list.ItemAt(0));
    list.InsertObject(std::make_unique<TFakeDerived>(curve));
    TEditor* line = editing.Begin(0);
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->EditedObject(), curve);
    EXPECT_EQ(list.HeldObject(*line), curve);
    std::vector<TEquationObject*> deleted;
    list.OnDeleteCurve = [&](TEquationObject* object) { deleted.push_back(object); };
    list.DeleteObject(line);
    ASSERT_EQ(list.Count(), 1);
    EXPECT_NE(dynamic_cast<TYofX*>(list.ItemAt(0)), nullptr);
    ASSERT_GE(deleted.size(), 2u);
    EXPECT_EQ(std::count(deleted.begin(), deleted.end(), curve), 1) << "the owner hears of the edited object";
}

TEST_F(LineEditingTest, AChangeOfKindIsRefusedAndTheNewObjectAddedAtTheEnd)
{
    Enter("y=x");
    Enter("y=3");
    TEquationObject* first = list.ItemAt(0);
    TFinishResult result = Edit(0, "x{^{2}+xy+y{^{2}=3");
    EXPECT_TRUE(result.editStopped);
    EXPECT_EQ(result.message, LineEditingMessage::DifferentType);
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list.ItemAt(0), first);
    EXPECT_EQ(Text(0), "y=x") << "the old object shows its formula again";
    EXPECT_NE(dynamic_cast<TImplicitFunction*>(list.ItemAt(2)), nullptr);
    EXPECT_EQ(result.appended, list.ItemAt(2));
}

TEST_F(LineEditingTest, ADeclarationEnteredAgainRedrawsTheCurvesThatUseIt)
{
    Enter("k=2");
    Enter("y=kx");
    Enter("y=x");
    auto* user = dynamic_cast<TCurvePLotter*>(list.ItemAt(1));
    auto* other = dynamic_cast<TCurvePLotter*>(list.ItemAt(2));
    ASSERT_TRUE(user && other);
    list.ProcessChanges();
    (void)user->LineStoreOrNew(); // drawn, and its drawing kept
    (void)other->LineStoreOrNew();
    ASSERT_TRUE(Edit(0, "k=3").editStopped);
    list.ProcessChanges();
    EXPECT_EQ(user->LineStore(), nullptr) << "y=kx would go on showing the slope 2";
    EXPECT_NE(other->LineStore(), nullptr);
}

TEST_F(LineEditingTest, DeletingADeclaredNameMakesItsUsersWait)
{
    Configuration.DefineConstants = true;
    Enter("a=2");
    Enter("y=ax");
    Enter("y=x");
    ASSERT_NE(dynamic_cast<TYofX*>(list.ItemAt(1)), nullptr);
    EXPECT_EQ(editing.DeleteCurve(list.ItemAt(0)), "");
    ASSERT_EQ(list.Count(), 2);
    EXPECT_NE(dynamic_cast<TNeedsDefinitions*>(list.ItemAt(0)), nullptr);
    EXPECT_NE(dynamic_cast<TYofX*>(list.ItemAt(1)), nullptr);
    EXPECT_EQ(list.SelectedIndex(), 0);

    // A hidden curve using a name keeps the name from being deleted.
    Enter("b=3");
    Enter("y=bx");
    list.ItemAt(3)->SetSwitch(0x8000, true);
    EXPECT_EQ(editing.DeleteCurve(list.ItemAt(2)), LineEditingMessage::NamesStillUsed);
    EXPECT_EQ(list.Count(), 4);
}

TEST_F(LineEditingTest, ShapesAndPointsKeepTheNamesTheyUse)
{
    // A polygon is a line of text: deleting a name it uses makes it wait for
    // the name. The rows of a coordinate list are not: the name stays, or the
    // point would keep reading a freed declaration.
    Configuration.DefineConstants = true;
    Enter("k=2");
    Enter("w=1");
    Enter("{fix \x06\x15{Polygon with}{5}{sides of length}{k}{centre}{{coords{0}{0}}");
    auto* polygon = dynamic_cast<TPolygon*>(list.ItemAt(2));
    ASSERT_NE(polygon, nullptr);
    EXPECT_TRUE(polygon->DependsOn("k"));
    EXPECT_FALSE(polygon->DependsOn("w"));

    auto points = std::make_unique<TCoordCurve>(dnCoordinates);
    TElementList row = ElementsFromText("{coords{w}{4}");
    TCoordEditObject* element = nullptr;
    for (TEditorObject* e = row.get(); e && !element; e = e->next)
        element = dynamic_cast<TCoordEditObject*>(e);
    ASSERT_NE(element, nullptr);
    const std::vector<TEquationObject*> names = list.Lines();
    TCoordinateParse parsed = ParseCoordinates(*element, &names);
    ASSERT_FALSE(parsed.Failed()) << parsed.message;
    points->Points.Add(std::move(parsed.row));
    points->Points.Add(std::make_unique<TCoordinates>(1, 1));
    points->RowsChanged();
    TCoordCurve* shape = points.get();
    list.InsertAt(list.Count(), std::move(points));
    EXPECT_TRUE(shape->UsesName(*list.ItemAt(1)));
    EXPECT_FALSE(shape->UsesName(*list.ItemAt(0)));

    EXPECT_EQ(editing.DeleteCurve(list.ItemAt(1)), LineEditingMessage::NamesStillUsed);
    ASSERT_EQ(list.Count(), 4);
    EXPECT_EQ(list.ItemAt(3), shape);
    EXPECT_EQ(shape->PointAt(0)->Point().x, 1);

    EXPECT_EQ(editing.DeleteCurve(list.ItemAt(0)), "");
    ASSERT_EQ(list.Count(), 3);
    EXPECT_NE(dynamic_cast<TNeedsDefinitions*>(list.ItemAt(1)), nullptr) << "the polygon waits for k";
    EXPECT_EQ(list.ItemAt(2), shape);
}

TEST_F(LineEditingTest, ATabIsPutInFrontOfForAndTheLineEnteredAtOnce)
{
    TFinishResult result = Enter("r=2 for 3 revs");
    EXPECT_TRUE(result.editStopped) << result.message;
    EXPECT_NE(dynamic_cast<TRofTheta*>(list.ItemAt(0)), nullptr);
}

} // namespace
