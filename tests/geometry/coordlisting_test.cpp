// The coordinate list window's lines built without the window: columns,
// letters, gaps, and the points of the curves a list was made from.
#include "geometrytesting.h"

#include "geometry/coordlisting.h"

using Listing = GeometryFixture;

TEST_F(Listing, APrimaryTakesAColumnOf27CharactersAndABlank)
{
    auto primary = List({TRealPoint{1, 2}, TRealPoint{3, 4}});
    auto image = List({TRealPoint{5, 6}, TRealPoint{7, 8}});
    image->SetParent(primary.get());
    EXPECT_TRUE(HasPrimaryCurve(image.get()));
    EXPECT_FALSE(HasPrimaryCurve(primary.get()));
    // A list made from another is not labelled; with its primary each line holds both points.
    const std::vector<std::string> alone = CoordinateListing(image.get(), *params, false);
    EXPECT_EQ(alone, (std::vector<std::string>{"(5 ,6 )", "(7 ,8 )"}));
    const std::vector<std::string> both = CoordinateListing(image.get(), *params, true);
    EXPECT_EQ(both, (std::vector<std::string>{"(1 ,2 )" + std::string(21, ' ') + "(5 ,6 )",
                                              "(3 ,4 )" + std::string(21, ' ') + "(7 ,8 )"}));
}

TEST_F(Listing, NothingForWhatIsNotAListOfPoints)
{
    TCoordCurve empty(dnCoordinates);
    EXPECT_TRUE(CoordinateListing(&empty, *params, false).empty());
    EXPECT_TRUE(CoordinateListing(nullptr, *params, false).empty());
    TDragPolygon placing(3);
    EXPECT_TRUE(CoordinateListing(&placing, *params, false).empty());
}
