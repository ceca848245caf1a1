// lcvtool render DOC.lcv: the document's part of drawing. The document's own
// settings and scales are taken, then the options given on the command line
// override them; its lines are drawn as they were read.
#include "lcvtool_document.h"

#include "lcvtool.h"

#include "document/document.h"
#include "graph/graphparams.h"
#include "graph/linesource.h"
#include "settings/configuration.h"

#include <cxxabi.h>

#include <cctype>
#include <charconv>
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
    if (!OpenToolDocument(path, document))
        return false;
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

bool ParseWhole(std::string_view text, int low, int high, int& value)
{
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc() && result.ptr == text.data() + text.size() && value >= low &&
           value <= high;
}

bool ParseSize(const std::string& text, int& width, int& height)
{
    const auto x = text.find('x');
    return x != std::string::npos && ParseWhole(std::string_view(text).substr(0, x), 16, 10000, width) &&
           ParseWhole(std::string_view(text).substr(x + 1), 16, 10000, height);
}

TToolPlotHost::TToolPlotHost(TOwnedLines& lines, TGraphParams& params)
    : lines_(lines), params_(params), previous_(PlotHost)
{
    PlotHost = this;
}

TToolPlotHost::~TToolPlotHost()
{
    PlotHost = previous_;
}

int TToolPlotHost::LineIndexOf(const TEquationObject* object) const
{
    for (int i = 0; i < lines_.LineCount(); ++i)
        if (lines_.LineAt(i) == object)
            return i;
    return -1;
}

std::vector<TEquationObject*> TToolPlotHost::Lines() const
{
    std::vector<TEquationObject*> lines;
    for (const auto& line : lines_.lines)
        lines.push_back(line.get());
    return lines;
}

bool OpenToolDocument(const std::string& path, TDocument& document)
{
    std::string error;
    if (!LoadDocument(QString::fromStdString(path), document, error)) {
        std::fprintf(stderr, "error: %s\n", error.c_str());
        return false;
    }
    PrintDocumentWarnings(document);
    document.ApplySettings();
    PublishSettings();
    return true;
}
