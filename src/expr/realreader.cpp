#include "expr/realreader.h"

#include "expr/parser.h"
#include "formula/markup.h"
#include "numbers/numerics.h"
#include "settings/mathsreader.h"
#include "settings/mathswriter.h"

#include <charconv>
#include <cmath>

namespace {

// The markup of the elements from (element, position) up to where the
// parse stopped, without the terminator that ended it.
std::string SourceMarkup(TEditorObject* start, int startPosition, const TParseParams& params)
{
    TMathsWriter writer;
    TEditorObject* stopElement = params.textActive ? params.tokenElement : params.nextElement;
    for (TEditorObject* element = start; element; element = element->next) {
        const bool last = params.textActive && element == stopElement;
        if (!params.textActive && element == stopElement)
            break;
        if (auto* run = dynamic_cast<TStringEditObject*>(element)) {
            const std::string& text = run->Text();
            const std::size_t from = element == start ? static_cast<std::size_t>(startPosition) : 0;
            const std::size_t to = last ? static_cast<std::size_t>(params.position) : text.size();
            if (from < to && from < text.size())
                writer.WriteText(std::string_view(text).substr(from, std::min(to, text.size()) - from));
        } else {
            element->WriteTo(writer);
        }
        if (last)
            break;
    }
    std::string source = writer.TakeText();
    while (!source.empty() && (source.back() == ' ' || source.back() == '\t' || source.back() == '=' ||
                               source.back() == '<' || source.back() == '>'))
        source.pop_back();
    std::size_t first = 0;
    while (first < source.size() && source[first] == ' ')
        ++first;
    return source.substr(first);
}

bool ContainsDeclaredName(TEvaluator* tree)
{
    bool found = false;
    tree->ForEachNode(
        [](void* data, TEvaluator* node, void*) {
            const int code = node->TokenCode();
            if (code == tkDeclaredConstant || code == tkDeclaredFunction || code == tkUndefinedName)
                *static_cast<bool*>(data) = true;
        },
        &found, nullptr);
    return found;
}

bool IsPlainNumber(std::string_view text, Extended& value)
{
    if (text.empty())
        return false;
    long double parsed = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), parsed);
    // The standard conversion also reads "nan", "inf" and "infinity": those
    // are not numbers a field, a document or the guide channel may set.
    if (result.ec != std::errc() || result.ptr != text.data() + text.size() || !std::isfinite(parsed))
        return false;
    value = parsed;
    return true;
}

} // namespace

std::string TRealReader::GetText(int figures, int flags) const
{
    return NumbersAsMarkup(FormatNumber(figures, (flags & gtForceExponent) != 0, Value()));
}

void TRealReader::WriteValue(TMathsWriter& writer, bool formatted) const
{
    writer.WriteText(formatted ? FormatNumber(10, false, Value()) : FormatFixed(Value()));
}

std::string TRealString::GetText(int, int) const
{
    return source_;
}

void TRealString::WriteValue(TMathsWriter& writer, bool) const
{
    writer.WriteText(source_);
}

TVariableString::TVariableString(TEvaluatorPtr tree, std::string source)
    : TRealString(0, std::move(source)), tree_(std::move(tree))
{
}

Extended TVariableString::Value() const
{
    // A field's value is read between evaluations of curves: keep their state.
    TEvaluationStateSaver saver;
    return ResetAndEvaluate(tree_.get());
}

bool TVariableString::DependsOn(std::string_view name) const
{
    return tree_ && tree_->DependsOn(name);
}

void TNeedsDefRealReader::WriteValue(TMathsWriter& writer, bool) const
{
    writer.WriteText(text_);
}

std::string FormatFixed(Extended x)
{
    if (!std::isfinite(x))
        x = 0;
    // The standard conversion, not printf: documents must not take the
    // decimal comma of the user's locale.
    char buffer[64];
    const auto written = std::to_chars(buffer, buffer + sizeof buffer, x, std::chars_format::scientific, 6);
    // buffer is like "5.000000e-01" or "-5.000000e+123": widen the exponent to
    // four digits and put a blank in the sign position of positive numbers.
    const std::string text(buffer, written.ec == std::errc() ? written.ptr : buffer);
    const auto e = text.find('e');
    if (e == std::string::npos || e + 2 >= text.size())
        return " 0.000000E+0000";
    std::string mantissa = text.substr(0, e);
    const char sign = text[e + 1];
    std::string digits = text.substr(e + 2);
    while (digits.size() < 4)
        digits.insert(digits.begin(), '0');
    if (mantissa.front() != '-')
        mantissa.insert(mantissa.begin(), ' ');
    return mantissa + "E" + sign + digits;
}

TRealReaderPtr NumberFromParse(TParseParams& params)
{
    TEditorObject* startElement = params.textActive ? params.tokenElement : params.nextElement;
    const int startPosition = params.textActive ? params.position : 0;
    params.notPlainLiteral = false;
    const std::uint32_t usedBefore = params.usedVariables;
    TEvaluatorPtr tree = ParseNext(params);
    const Extended value = HasError(params) ? 0 : ResetAndEvaluate(tree.get());
    ResetStatus();
    const bool usesNames = ContainsDeclaredName(tree.get());
    const bool usesVariables = params.usedVariables != usedBefore;
    if (HasError(params) || (!params.notPlainLiteral && !usesNames && !usesVariables))
        return std::make_unique<TRealReader>(value);
    std::string source = SourceMarkup(startElement, startPosition, params);
    if (usesNames || usesVariables)
        return std::make_unique<TVariableString>(std::move(tree), std::move(source));
    return std::make_unique<TRealString>(value, std::move(source));
}

TRealReaderPtr NumberFromText(std::string_view text, const std::vector<TEquationObject*>* declaredNames)
{
    Extended value = 0;
    if (IsPlainNumber(text, value))
        return std::make_unique<TRealReader>(value);
    TElementList elements = ElementsFromText(text);
    TParseParams params;
    params.declaredNames = declaredNames;
    StartParse(params, elements.get(), 0, nullptr, false, EndOrTabTerminators());
    TRealReaderPtr number = NumberFromParse(params);
    if (HasError(params))
        return std::make_unique<TNeedsDefRealReader>(std::string(text));
    return number;
}

TRealReaderPtr NumberFromDocument(TMathsReader& reader, char delimiter,
                                  const std::vector<TEquationObject*>* declaredNames)
{
    std::string text;
    if (delimiter == ')') {
        text = reader.ReadLine();
        if (!text.empty() && text.back() == ')')
            text.pop_back();
    } else {
        text = reader.ReadUntil(delimiter);
    }
    return NumberFromText(text, declaredNames);
}

std::string NumbersAsMarkup(const std::string& text)
{
    std::string markup;
    std::size_t from = 0;
    for (std::size_t at = text.find("*10^"); at != std::string::npos; at = text.find("*10^", from)) {
        std::size_t end = at + 4;
        if (end < text.size() && (text[end] == '-' || text[end] == '+'))
            ++end;
        while (end < text.size() && text[end] >= '0' && text[end] <= '9')
            ++end;
        markup += text.substr(from, at - from) + "{\xB4" + "10{^{" + text.substr(at + 4, end - at - 4) + "}";
        from = end;
    }
    return markup + text.substr(from);
}
