// The document part of lcvtool's commands: loading a .lcv document, taking its
// settings and scales under the overrides given on the command line, and
// naming the class a line was read as.
#pragma once

#include "numbers/evalstate.h"

#include <optional>
#include <string>
#include <vector>

class TDocument;
class TEquationObject;
class TGraphParams;
class TScaleHost;

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
// The document's scales on the graph (its first scaling and stored list).
void ApplyRenderDocumentScales(const TDocument& document, TGraphParams& params, TScaleHost* window);

// The program's class of a line ("TCoordCurve", "TEditor", "TKeptRecord" ...).
[[nodiscard]] std::string ClassName(const TEquationObject& line);
