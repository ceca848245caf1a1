// Lines entered into an equations window as a user types and finishes
// them, for the benchmarks that measure windows; a line that cannot be
// entered ends the program with its message.
#pragma once

#include "document/lineediting.h"
#include "equations/equationswindow.h"
#include "formula/editor.h"
#include "formula/markup.h"

#include <cstdio>
#include <cstdlib>
#include <string>

// Enters markup as a new last line of window.
inline void Enter(TEquationsWindow& window, const std::string& markup)
{
    TEditor* line = window.Editing().Begin(window.Count());
    line->SetElements(ElementsFromText(markup));
    line->ResetCaret();
    const TFinishResult result = window.Editing().Finish(*line);
    if (result.Fault()) {
        std::fprintf(stderr, "cannot enter %s: %s\n", markup.c_str(), result.message.c_str());
        std::exit(1);
    }
}
