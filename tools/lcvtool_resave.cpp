// lcvtool resave: reads a document and writes it back as this version writes
// it; "-" for either name is standard input or standard output. Every record
// that was skipped, repaired or kept as text is named on standard error with
// the line of the input where it starts (a document of the older binary
// layout names the record, or the header).
#include "lcvtool.h"
#include "lcvtool_arguments.h"

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
    for (const TDocumentWarning& warning : document.warnings) {
        if (warning.place.empty())
            std::fprintf(stderr, "warning: line %d: %s\n", warning.line, warning.text.c_str());
        else
            std::fprintf(stderr, "warning: %s: %s\n", warning.place.c_str(), warning.text.c_str());
    }
}

int RunResave(const std::vector<std::string>& arguments)
{
    TToolArguments command("resave");
    command.Arguments("IN.lcv", "the document to read, or - for standard input");
    command.Arguments("OUT.lcv", "the document to write, or - for standard output");
    if (const auto status = command.Parse(arguments))
        return *status;
    const std::vector<std::string> names = command.Positional();
    if (names.size() < 2)
        return command.Refuse(names.empty() ? "IN.lcv and OUT.lcv are missing" : "OUT.lcv is missing");
    if (names.size() > 2)
        return command.Refuse("unexpected argument " + names[2]);
    for (const std::string& name : names)
        if (name.empty())
            return command.Refuse("a file name is empty");
    TDocument document;
    std::string error;
    if (!Load(names[0], document, error)) {
        std::fprintf(stderr, "error: %s\n", error.c_str());
        return 1;
    }
    PrintDocumentWarnings(document);
    if (!Save(document, names[1], error)) {
        std::fprintf(stderr, "error: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
