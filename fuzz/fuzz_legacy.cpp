// Documents of the older binary layout from untrusted files: "Lumacurve" and
// any bytes after it read without a crash, a read outside the data or a
// hang; every warning names the header or a record the file holds; a
// converted document written and read again gives the same text.
#include "document/document.h"
#include "document/legacyfile.h"
#include "fuzzsupport.h"

#include <cstddef>
#include <cstdint>
#include <string>

using fuzzsupport::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // Older documents are small; long inputs only slow the search down.
    if (size > 1 << 12)
        return 0;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    TLegacyFile file;
    ReadLegacyFile(bytes, file);
    // A record cut short is named too: it is the one after those read whole.
    const int records = static_cast<int>(file.records.size()) + 1;

    TDocument first;
    const TReadResult result = ReadDocument("Lumacurve" + bytes, first, true);
    for (const TDocumentWarning& warning : first.warnings) {
        const bool header = warning.place == "header" && warning.line == 0;
        const bool record = warning.place == "record " + std::to_string(warning.line) && warning.line >= 1 &&
                            warning.line <= records;
        Check(header || record, "a warning names no record the file holds");
    }
    if (result != TReadResult::Legacy) {
        Check(result == TReadResult::NotDocument, "an older document read as something else");
        Check(first.lines.lines.empty(), "a refused file left lines behind");
        return 0;
    }
    const std::string written = DocumentText(first);
    TDocument second;
    Check(ReadDocument(written, second, true) == TReadResult::Document, "a converted document is refused");
    Check(second.lines.LineCount() == first.lines.LineCount(), "a converted document reads back other lines");
    Check(DocumentText(second) == written, "a converted document changes on its second way through");
    return 0;
}
