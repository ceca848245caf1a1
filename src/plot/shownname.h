// A name of the user's shown instead of a line's equation (Customise curve's
// "Rename the curve", and documents that hold such names). One helper sets
// everything that goes with it, so that what is shown, what the dialog
// offers for editing and what the document writes always agree.
#pragma once

#include "formula/elements.h"

class TEquationObject;

// Shows name (an element list, anchor first) instead of line's equation:
// the elements are replaced, the marker flag says the line shows a name,
// and a curve writes its formula as the definition line of its record,
// with the name after "\tDescription: ", so that it reads back as the same
// curve under the same name.
void ShowNameInstead(TEquationObject& line, TElementList name);
