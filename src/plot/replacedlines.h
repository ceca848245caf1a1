// Lines that gave their place in the list to another line during a press or
// a drag (a polygon to its list of points, a curve to one of another kind):
// the press or drag that replaced them still runs in their code, so they are
// kept until the next press frees them.
#pragma once

#include <memory>

class TEquationObject;

// Keeps a replaced line alive until the next press.
void KeepReplacedLine(std::unique_ptr<TEquationObject> line);
// Frees the lines replaced before this press: whatever replaced them has ended.
void FreeReplacedLines();
