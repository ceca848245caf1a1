// The document part of lcvtool's commands: loading a .lcv document, taking its
// settings and scales under the overrides given on the command line, and
// naming the class a line was read as.
#pragma once

#include "numbers/evalstate.h"
#include "plot/curveplotter.h"

#include <string_view>

#include <optional>
#include <string>
#include <vector>

class TDocument;
class TEquationObject;
class TGraphParams;
class TScaleHost;
class TOwnedLines;

// What the command line sets explicitly, overriding the document.
struct TRenderOverrides {
    std::optional<int> accuracy;
    std::optional<Extended> angleFactor;
};

// True when the only line argument names a document (ends in .lcv).
[[nodiscard]] bool IsDocumentArgument(const std::vector<std::string>& lineTexts);
// Reads the document, prints its warnings and puts its settings in force
// under the overrides; false (with "error: ..." printed) when it cannot be read.
bool LoadRenderDocument(const std::string& path, TDocument& document, const TRenderOverrides& overrides);
// Reads the document as the program opens it, prints its warnings and puts
// its settings in force; false (with "error: ..." printed) when it cannot be read.
bool OpenToolDocument(const std::string& path, TDocument& document);
// The document's scales on the graph (its first scaling and stored list).
void ApplyRenderDocumentScales(const TDocument& document, TGraphParams& params, TScaleHost* window);

// The program's class of a line ("TCoordCurve", "TEditor", "TKeptRecord" ...).
[[nodiscard]] std::string ClassName(const TEquationObject& line);

// A whole number of text between low and high.
[[nodiscard]] bool ParseWhole(std::string_view text, int low, int high, int& value);
// "WxH", each from 16 to 10000.
[[nodiscard]] bool ParseSize(const std::string& text, int& width, int& height);

// The equations list and graph of the tool, for the lines that ask for them
// while they recalculate (an intersection list searches on the graph).
class TToolPlotHost : public TPlotHost {
public:
    TToolPlotHost(TOwnedLines& lines, TGraphParams& params);
    ~TToolPlotHost() override;
    TToolPlotHost(const TToolPlotHost&) = delete;
    TToolPlotHost& operator=(const TToolPlotHost&) = delete;

    [[nodiscard]] int LineIndexOf(const TEquationObject* object) const override;
    [[nodiscard]] std::vector<TEquationObject*> Lines() const override;
    [[nodiscard]] TGraphParams* GraphParams() override { return &params_; }

private:
    TOwnedLines& lines_;
    TGraphParams& params_;
    TPlotHost* previous_;
};
