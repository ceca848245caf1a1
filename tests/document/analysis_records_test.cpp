// The records of differential equations, their solutions and direction
// fields, gradient and area functions and series read back as those objects
// and are written out byte for byte.
#include "document/document.h"
#include "documentsamples.h"
#include "geometry/derivedcurves.h"
#include "geometry/diffeq.h"
#include "geometry/series.h"
#include "plot/formulacurve.h"

#include <gtest/gtest.h>

#include <string>
#include <typeinfo>

namespace {

std::string Header()
{
    return documentsamples::Curves.substr(0, documentsamples::Curves.find("Whiteboard0\r\n") + 13);
}

std::string CurveRecord(const std::string& markup, int primary = -2, const char* description = nullptr)
{
    std::string record = "Curve\r\n" + markup + "\r\n";
    if (description)
        record += std::string("\tDescription: ") + description + "\r\n";
    record += "\tcolour = 16777216\r\n\tstyle = 0\r\n\tSwitches = 0\r\n\tLine thickness = 1\r\n";
    if (primary > -2)
        record += "\tprimary equation number = " + std::to_string(primary) + "\r\n";
    return record;
}

std::string Warnings(const TDocument& doc)
{
    std::string text;
    for (const auto& warning : doc.warnings)
        text += std::to_string(warning.line) + ": " + warning.text + "\n";
    return text;
}

} // namespace

TEST(AnalysisRecords, CurvesReadBackAndWriteOutByteForByte)
{
    const std::string lines = CurveRecord("y=x{^{2}") + CurveRecord("Gradient function", 0) +
                              CurveRecord("Gradient function", 0, "Gradient function") +
                              CurveRecord("{fix \x02\x01{Area from x =}{-1}", 0) + CurveRecord("dy/dx=-x/y") +
                              CurveRecord("{coords{0}{2}", 4) + CurveRecord("compass points", 4) +
                              CurveRecord("first=1\tratio=x\tn=1 to 5") +
                              CurveRecord("nth=x{^{n}/n\tn=1 to 4") + "Selected curve no: 4\r\n";
    const std::string text = Header() + lines;
    TDocument doc;
    ASSERT_EQ(ReadDocument(text, doc), TReadResult::Document);
    EXPECT_TRUE(doc.warnings.empty()) << Warnings(doc);
    const std::type_info* kinds[] = {&typeid(TYofX),
                                     &typeid(TGradient),
                                     &typeid(TGradient),
                                     &typeid(TArea),
                                     &typeid(TDifferentialEquation),
                                     &typeid(TDiffeqSolution),
                                     &typeid(TDiffeqCompassPoints),
                                     &typeid(TPowerSeries),
                                     &typeid(TGenPowerSeries)};
    ASSERT_EQ(doc.lines.lines.size(), std::size(kinds));
    for (std::size_t i = 0; i < std::size(kinds); ++i)
        EXPECT_EQ(typeid(*doc.lines.lines[i]), *kinds[i]) << i;
    EXPECT_EQ(doc.lines.lines[1]->GetParent(), doc.lines.lines[0].get());
    EXPECT_EQ(doc.lines.lines[3]->GetParent(), doc.lines.lines[0].get());
    EXPECT_EQ(doc.lines.lines[5]->GetParent(), doc.lines.lines[4].get());
    EXPECT_EQ(doc.lines.lines[6]->GetParent(), doc.lines.lines[4].get());
    EXPECT_EQ(DocumentText(doc), text);
}
