// lcvtool resave: reads a document and writes it back as this version writes
// it. Every record that was skipped, repaired or kept as text is named on
// standard error with the line of the input where it starts.
#include "lcvtool.h"

#include "app/document.h"

#include <cstdio>

void PrintDocumentWarnings(const TDocument& document)
{
    for (const TDocumentWarning& warning : document.warnings)
        std::fprintf(stderr, "warning: line %d: %s\n", warning.line, warning.text.c_str());
}

int RunResave(const std::vector<std::string>& arguments)
{
    if (arguments.size() != 2 || arguments[0].empty() || arguments[1].empty()
        || (arguments[0][0] == '-' && arguments[0] != "-") || (arguments[1][0] == '-' && arguments[1] != "-")) {
        std::fprintf(stderr, "usage: lcvtool resave IN.lcv OUT.lcv\n");
        return 2;
    }
    TDocument document;
    std::string error;
    if (!LoadDocument(QString::fromStdString(arguments[0]), document, error)) {
        std::fprintf(stderr, "error: %s\n", error.c_str());
        return 1;
    }
    PrintDocumentWarnings(document);
    if (!SaveDocument(document, QString::fromStdString(arguments[1]), error)) {
        std::fprintf(stderr, "error: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
