// Documents from untrusted files: whatever the bytes, reading ends with a
// result (never a crash, hang or exception), every warning names a line of
// the data (or, for the older binary layout, a record), and a document once
// written reads back into the same text.
#include "document/document.h"
#include "fuzzsupport.h"

#include <cstddef>
#include <cstdint>
#include <string>

using fuzzsupport::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // Documents are small; long inputs only slow the search down.
    if (size > 1 << 16)
        return 0;
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::size_t lineCount = 1;
    for (char c : text)
        lineCount += c == '\n';

    TDocument first;
    const TReadResult result = ReadDocument(text, first, true);
    // Warnings of an older binary document name its records instead (its own target checks them).
    for (const TDocumentWarning& warning : first.warnings)
        Check(!warning.place.empty() || (warning.line >= 1 && static_cast<std::size_t>(warning.line) <= lineCount),
              "a warning names a line the data does not have");
    if (result != TReadResult::Document && result != TReadResult::NumberPairs && result != TReadResult::Legacy) {
        Check(first.lines.lines.empty(), "a refused file left lines behind");
        return 0;
    }
    Check(first.selectedLine >= -1 && first.selectedLine < first.lines.LineCount(),
          "the selected line is not a line of the document");

    const std::string written = DocumentText(first);
    TDocument second;
    Check(ReadDocument(written, second, true) == TReadResult::Document, "a written document is refused");
    Check(second.lines.LineCount() == first.lines.LineCount(), "a written document reads back other lines");
    Check(DocumentText(second) == written, "a written document changes on its second way through");
    return 0;
}
