// lcvtool resave: reads a document and writes it back as this version writes
// it; "-" for either name is standard input or standard output. Every record
// that was skipped, repaired or kept as text is named on standard error with
// the line of the input where it starts.
#include "lcvtool.h"

#include "document/document.h"

#include <cstdio>
#include <iostream>
#include <iterator>

namespace {

bool Load(const std::string& name, TDocument& document, std::string& error)
{
    if (name != "-")
        return LoadDocument(QString::fromStdString(name), document, error);
    std::string data{std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>()};
    if (std::cin.bad()) {
        error = "cannot read standard input";
        return false;
    }
    return LoadDocumentData(std::move(data), document, error);
}

bool Save(const TDocument& document, const std::string& name, std::string& error)
{
    if (name != "-")
        return SaveDocument(document, QString::fromStdString(name), error);
    const std::string text = DocumentText(document);
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0) {
        error = "cannot write standard output";
        return false;
    }
    return true;
}

} // namespace

void PrintDocumentWarnings(const TDocument& document)
{
    for (const TDocumentWarning& warning : document.warnings)
        std::fprintf(stderr, "warning: line %d: %s\n", warning.line, warning.text.c_str());
}

int RunResave(const std::vector<std::string>& arguments)
{
    if (arguments.size() != 2 || arguments[0].empty() || arguments[1].empty() ||
        (arguments[0][0] == '-' && arguments[0] != "-") || (arguments[1][0] == '-' && arguments[1] != "-")) {
        std::fprintf(stderr, "usage: lcvtool resave IN.lcv OUT.lcv\n");
        return 2;
    }
    TDocument document;
    std::string error;
    if (!Load(arguments[0], document, error)) {
        std::fprintf(stderr, "error: %s\n", error.c_str());
        return 1;
    }
    PrintDocumentWarnings(document);
    if (!Save(document, arguments[1], error)) {
        std::fprintf(stderr, "error: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
