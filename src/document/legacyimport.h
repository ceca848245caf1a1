// Opening a document of the older binary layout: its records become equation
// lines written in the current record form and read through equation entry
// as typed lines are, its header the settings and scalings of the document.
// What was not converted as it stood is reported per record.
#pragma once

#include "document/document.h"
#include "document/legacyfile.h"

#include <string>
#include <string_view>

// The markup of a byte formula (the bytes up to its terminator).
[[nodiscard]] std::string LegacyFormulaMarkup(std::string_view buffer);
// The markup of a record's shown text; changed tells whether characters had
// to be replaced or dropped to make it markup.
[[nodiscard]] std::string LegacyShownMarkup(std::string_view text, bool& changed);

// Reads data (what follows "Lumacurve") into document. Legacy when the
// header holds a usable scaling, NotDocument otherwise. Warnings name the
// record ("record N") or the header.
TReadResult ReadLegacyDocument(std::string_view data, TDocument& document);
