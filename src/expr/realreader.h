// Number objects: the numeric fields of objects and dialogs. Each keeps its
// value and, where the user typed more than a plain number (a multiple of
// pi, a reference to a declared constant), the text as typed, so that the
// field is shown and saved the way it was written and follows the constants
// it names.
#pragma once

#include "expr/evaluator.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TMathsWriter;
class TMathsReader;
class TEquationObject;
struct TParseParams;

// Flags of GetText.
enum : int { gtForceExponent = 1 };

class TRealReader : public TCalculatedObject {
public:
    explicit TRealReader(Extended value = 0) : value_(value) {}
    // The value formatted with figures significant digits, "*10^" turned into
    // the markup of a times sign, 10 and an index.
    [[nodiscard]] virtual std::string GetText(int figures, int flags) const;
    // The document form: the number form when formatted, else the fixed form.
    virtual void WriteValue(TMathsWriter& writer, bool formatted) const;
    [[nodiscard]] virtual Extended Value() const { return value_; }
    void WriteTo(TMathsWriter& writer) const override { WriteValue(writer, true); }
    void SetValue(Extended value) { value_ = value; }

protected:
    Extended value_;
};

// A value with the markup it was typed as (e, pi, folded arithmetic).
class TRealString : public TRealReader {
public:
    TRealString(Extended value, std::string source) : TRealReader(value), source_(std::move(source)) {}
    [[nodiscard]] std::string GetText(int figures, int flags) const override;
    void WriteValue(TMathsWriter& writer, bool formatted) const override;
    [[nodiscard]] const std::string& Source() const { return source_; }

protected:
    std::string source_;
};

// A value that follows declared names: its tree is evaluated each time.
class TVariableString : public TRealString {
public:
    TVariableString(TEvaluatorPtr tree, std::string source);
    [[nodiscard]] Extended Value() const override;
    [[nodiscard]] bool DependsOn(std::string_view name) const override;
    [[nodiscard]] TEvaluator* Tree() const { return tree_.get(); }

private:
    TEvaluatorPtr tree_;
};

// A value whose text names something not yet declared; read again when the
// declarations change.
class TNeedsDefRealReader : public TRealReader {
public:
    explicit TNeedsDefRealReader(std::string text) : TRealReader(0), text_(std::move(text)) {}
    [[nodiscard]] Extended Value() const override { return 0; }
    void WriteValue(TMathsWriter& writer, bool formatted) const override;
    [[nodiscard]] const std::string& Text() const { return text_; }

private:
    std::string text_;
};

using TRealReaderPtr = std::unique_ptr<TRealReader>;

// The 15-character fixed document form: sign position, one digit, point,
// six digits, "E", exponent sign and four digits (" 5.000000E-0001").
[[nodiscard]] std::string FormatFixed(Extended x);
// The number object for the expression at the parse state's place.
[[nodiscard]] TRealReaderPtr NumberFromParse(TParseParams& params);
// The number object for a text: a plain number, or markup parsed against
// the declared names (with no variables allowed).
[[nodiscard]] TRealReaderPtr NumberFromText(std::string_view text,
                                            const std::vector<TEquationObject*>* declaredNames);
// Reads the text up to delimiter (for ")" the rest of the line without its
// closing bracket) and continues as NumberFromText.
[[nodiscard]] TRealReaderPtr NumberFromDocument(TMathsReader& reader, char delimiter,
                                                const std::vector<TEquationObject*>* declaredNames);

// Every "*10^e" of a formatted number (or of a text of numbers and names)
// becomes a times sign, 10 and an index, so that 3*10^-10x reads as
// 3·10⁻¹⁰·x and not as 3·10^(−10x).
[[nodiscard]] std::string NumbersAsMarkup(const std::string& text);
