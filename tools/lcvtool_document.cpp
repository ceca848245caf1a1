// lcvtool render DOC.lcv: the document's part of drawing. The document's own
// settings and scales are taken, then the options given on the command line
// override them; its lines are drawn as they were read.
#include "lcvtool_document.h"

#include "lcvtool.h"

#include "document/document.h"
#include "graph/graphparams.h"

#include <cxxabi.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <typeinfo>

bool IsDocumentArgument(const std::vector<std::string>& lineTexts)
{
    if (lineTexts.size() != 1 || lineTexts[0].size() < 4)
        return false;
    std::string tail = lineTexts[0].substr(lineTexts[0].size() - 4);
    for (char& c : tail)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return tail == ".lcv";
}

bool LoadRenderDocument(const std::string& path, TDocument& document, const TRenderOverrides& overrides)
{
    std::string error;
    if (!LoadDocument(QString::fromStdString(path), document, error)) {
        std::fprintf(stderr, "error: %s\n", error.c_str());
        return false;
    }
    PrintDocumentWarnings(document);
    document.ApplySettings();
    if (overrides.accuracy)
        Configuration.Accuracy = static_cast<std::int16_t>(*overrides.accuracy);
    if (overrides.angleFactor)
        Configuration.AngleFactor = *overrides.angleFactor;
    PublishSettings();
    return true;
}

void ApplyRenderDocumentScales(const TDocument& document, TGraphParams& params, TScaleHost* window)
{
    document.ApplyScales(params, window);
}

std::string ClassName(const TEquationObject& line)
{
    const char* mangled = typeid(line).name();
    int status = 0;
    char* demangled = abi::__cxa_demangle(mangled, nullptr, nullptr, &status);
    std::string name = status == 0 && demangled ? demangled : mangled;
    std::free(demangled);
    return name;
}
