// The File menu's commands beyond the design's own (Save as, Recent
// documents, Export picture) and Help > Examples, and where the example
// documents are found.
#pragma once

#include <QString>

// The folder of the example documents: share/lumacurve/examples beside the
// program's bin folder (installed, or the build tree's copy), else in the
// system's data folders; empty when there is none.
[[nodiscard]] QString ExamplesFolder();
