// The older documents become current ones: each record is written as the
// Curve record a current document would hold for the same line (its formula
// as the definition, its shown text as the description), and the whole is
// read by the document reader, so converted lines go through equation entry
// exactly as typed lines do and read back as what they are.
#include "document/legacyimport.h"

#include "expr/convertformula.h"
#include "expr/realreader.h"
#include "formula/equationobject.h"
#include "geometry/transformation.h"
#include "graph/rescaledatatransfer.h"
#include "settings/configuration.h"
#include "settings/mathsreader.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <map>
#include <set>

namespace {

// The largest number of turns of a polar curve and the bounds of a series:
// the limits typed lines get.
constexpr Extended MaxRevolutions = 1000;
constexpr long long SeriesBound = 1000;
constexpr long long SeriesSpan = 99;

// Whether text, a number in plain digits, is exactly value (a finite double).
bool IsExactly(std::string_view text, double value)
{
    if (!text.empty() && text.front() == '-')
        text.remove_prefix(1);
    std::uint64_t digits = 0; // the text's digits as a whole number
    int fraction = 0;         // how many of them follow the point
    int count = 0;
    bool point = false;
    for (const char c : text) {
        if (c == '.' && !point) {
            point = true;
            continue;
        }
        if (c < '0' || c > '9' || ++count > 19)
            return false;
        digits = digits * 10 + static_cast<std::uint64_t>(c - '0');
        if (point)
            ++fraction;
    }
    // value = whole * 2^power with whole odd (or 0).
    int exponent = 0;
    const double mantissa = std::frexp(std::fabs(value), &exponent);
    auto whole = static_cast<std::uint64_t>(std::ldexp(mantissa, 53));
    if (whole == 0)
        return digits == 0;
    const int zeros = std::countr_zero(whole);
    whole >>= zeros;
    const int power = exponent - 53 + zeros;
    // digits / 10^fraction == whole * 2^power, that is
    // digits == whole * 5^fraction * 2^(power + fraction).
    unsigned __int128 scaled = whole; // below 2^53 * 5^19 < 2^98
    for (int i = 0; i < fraction; ++i)
        scaled *= 5;
    const int shift = power + fraction;
    if (shift >= 0) {
        if (shift >= 64 || (digits & ((std::uint64_t{1} << shift) - 1)) != 0)
            return false;
        return (digits >> shift) == scaled;
    }
    if (-shift >= 128)
        return false;
    const unsigned __int128 below = scaled >> -shift;
    return (below << -shift) == scaled && below == digits;
}

// The shortest plain text that reads back as value in extended precision.
// Searching in extended precision is slow; a value a double holds exactly
// (every six-byte real is one) first tries the double's shortest text. When
// that text is the value itself, no text reading back as the value in the
// finer extended precision can be shorter (each also reads back as the
// double), and none of the same length is nearer, so it is the answer.
std::string PlainNumber(Extended value)
{
    char buffer[128];
    const auto narrow = static_cast<double>(value);
    if (static_cast<Extended>(narrow) == value) {
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, narrow, std::chars_format::fixed);
        if (result.ec == std::errc{} && IsExactly(std::string_view(buffer, result.ptr), narrow))
            return std::string(buffer, result.ptr);
    }
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    return result.ec == std::errc{} ? std::string(buffer, result.ptr) : std::string("0");
}

// A number as formula text, locale-free: plain digits in the moderate range,
// else a power of ten; inside a formula a negative number is bracketed, a
// field of its own starts with its sign.
std::string NumberMarkup(Extended value, bool inFormula = false)
{
    if (value == 0)
        return "0";
    const Extended magnitude = std::fabs(value);
    std::string text;
    if (magnitude >= 1e-5L && magnitude < 1e15L) {
        text = PlainNumber(magnitude);
    } else {
        const int exponent = static_cast<int>(std::floor(std::log10(magnitude)));
        const Extended mantissa = magnitude / std::pow(10.0L, static_cast<Extended>(exponent));
        text = "(" + PlainNumber(mantissa) + "*10^(" + (exponent < 0 ? "-" : "") +
               std::to_string(std::abs(exponent)) + "))";
    }
    if (value >= 0)
        return text;
    return inFormula ? "(-" + text + ")" : "-" + text;
}

bool WordCharacter(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '.';
}

// Appends a token's text, with a blank where two words or numbers would run together.
void AppendToken(std::string& out, std::string_view token)
{
    if (!out.empty() && !token.empty() && WordCharacter(out.back()) && WordCharacter(token.front()))
        out.push_back(' ');
    out += token;
}

std::string ByteMarkup(unsigned char byte)
{
    switch (byte) {
    case 1:
        return "+";
    case 2:
        return "-";
    case 3:
        return "*";
    case 4:
        return "/";
    case 5:
        return "^";
    case LegacyOpen:
        return "(";
    case LegacyClose:
        return ")";
    case 26:
        return "|";
    case 30:
        return "e";
    case 31:
        return "{p";
    case 34:
        return "{\xB1";
    case ';':
        return "{q";
    case 'n':
    case 't':
    case 'x':
    case 'y':
        return std::string(1, static_cast<char>(byte));
    default:
        break;
    }
    const int token = LegacyByteToken(byte);
    if (token >= tkSin && token <= tkExp)
        return std::string(KeywordName(token));
    return "?"; // nothing usable: a character the parser refuses
}

// The bytes from begin up to end as markup. A whole-power byte is "^(",
// closed by the bracket byte that ends its exponent.
std::string FormulaMarkup(std::string_view buffer, std::size_t begin, std::size_t end)
{
    std::string out;
    std::size_t position = begin;
    while (position < end) {
        const auto byte = static_cast<unsigned char>(buffer[position]);
        if (byte == LegacyHash || byte == LegacyEnd)
            break;
        if (byte == LegacyNumber) {
            if (position + 7 > end) {
                AppendToken(out, "?");
                break;
            }
            const auto* number = reinterpret_cast<const unsigned char*>(&buffer[position + 1]);
            AppendToken(out, NumberMarkup(DecodeLegacyReal(number), true));
            position += 7;
            continue;
        }
        if (byte == LegacyExponential) {
            const std::size_t stop = LegacyGroupEnd(buffer.substr(0, end), position + 1);
            AppendToken(out, "e");
            out += "{^{" + FormulaMarkup(buffer, position + 1, stop) + "}";
            position =
                stop < end && static_cast<unsigned char>(buffer[stop]) == LegacyClose ? stop + 1 : stop;
            continue;
        }
        AppendToken(out, byte == LegacyWholePower ? "^(" : ByteMarkup(byte));
        ++position;
    }
    return out;
}

// The range of a parametric line's t.
std::string ParameterRange(Extended from, Extended to)
{
    return "\tt=" + NumberMarkup(from) + " to " + NumberMarkup(to);
}

std::string ColourText(int colour)
{
    return std::to_string(CurveColour(((colour - 1) % 3 + 3) % 3));
}

// One Curve record of the text handed to the document reader.
struct TCurveText {
    std::string definition;
    std::string description; // empty: the line shows its own formula
    std::string colour;
    std::optional<int> primary; // the generated record it depends on (-1 none)
    std::string rows;           // a coordinate list's lines
    int record = 0;             // the legacy record (1 first)
    int kind = 0;
};

std::uint32_t KindVariables(int kind)
{
    switch (kind) {
    case 0:
        return avX;
    case 1:
        return avY;
    case 2:
    case 4:
        return avT;
    case 3:
        return avTheta;
    case 10:
        return avX | avY;
    case 11:
        return avX | avN;
    default:
        return 0;
    }
}

class TLegacyConverter {
public:
    TLegacyConverter(const TLegacyFile& file, const std::set<int>& skipped) : file_(file), skipped_(skipped)
    {
    }

    // The document text and the records' Curve records in order.
    std::string Convert(bool radians)
    {
        for (std::size_t i = 0; i < file_.records.size(); ++i)
            ConvertRecord(file_.records[i], static_cast<int>(i) + 1);
        std::string text = "Lumacurve for windows version 3.101\r\n";
        text += radians ? "Angle measure = radians\r\n" : "Angle measure = degrees\r\n";
        int line = 3;
        for (const TCurveText& curve : curves) {
            recordLines.emplace_back(line, curve.record);
            std::string record = "Curve\r\n" + curve.definition + "\r\n";
            if (!curve.description.empty())
                record += "\tDescription: " + curve.description + "\r\n";
            record += "\tcolour = " + curve.colour + "\r\n";
            if (curve.primary)
                record += "\tprimary equation number = " + std::to_string(*curve.primary) + "\r\n";
            record += curve.rows;
            line += static_cast<int>(std::count(record.begin(), record.end(), '\n'));
            text += record;
        }
        return text;
    }

    std::vector<TLegacyWarning> warnings;
    std::vector<TCurveText> curves;
    // The first line of each generated record and its legacy record.
    std::vector<std::pair<int, int>> recordLines;
    // The records with a formula the parser refused.
    std::set<int> refused;

private:
    void Warn(int record, std::string text, bool lost)
    {
        warnings.push_back({record, std::move(text), lost});
    }

    // Checks a formula the way it is converted, for the reader's notes.
    void CheckFormula(int record, std::string_view buffer, int kind, const char* which)
    {
        TParseParams params;
        (void)ParseLegacyFormula(buffer, KindVariables(kind), params);
        if (HasError(params)) {
            Warn(record, std::string(which) + " formula: " + params.error.message, false);
            refused.insert(record);
        }
    }

    std::string Formula(int record, const TLegacyRecord& legacy, std::size_t index, const char* which)
    {
        const std::string& buffer = legacy.formulas[index];
        CheckFormula(record, buffer, legacy.kind, which);
        return LegacyFormulaMarkup(buffer);
    }

    // The generated record that legacy object number n (1 first) became, or
    // nothing when there is none.
    std::optional<int> Primary(int n) const
    {
        if (n < 1 || n > static_cast<int>(objects_.size()))
            return std::nullopt;
        const int line = objects_[static_cast<std::size_t>(n - 1)];
        if (line < 0)
            return std::nullopt;
        return line;
    }

    void Add(TCurveText curve)
    {
        objects_.push_back(static_cast<int>(curves.size()));
        curves.push_back(std::move(curve));
    }

    std::string Description(int record, const TLegacyRecord& legacy)
    {
        bool changed = false;
        std::string markup = LegacyShownMarkup(legacy.shown, changed);
        if (changed)
            Warn(record, "the shown text had braces or control characters; they were replaced or dropped",
                 false);
        return markup;
    }

    void ConvertRecord(const TLegacyRecord& legacy, int record)
    {
        TCurveText curve;
        curve.record = record;
        curve.kind = legacy.kind;
        curve.colour = ColourText(legacy.colour);
        const Extended p = legacy.p.Value(), q = legacy.q.Value();
        if (legacy.kind > 11) {
            Warn(record, "kind " + std::to_string(legacy.kind) + " is unknown; the record makes no line",
                 true);
            return;
        }
        if (skipped_.count(record)) {
            objects_.push_back(-1);
            Warn(record, PrimaryNeed(legacy.kind), true);
            return;
        }
        curve.description = Description(record, legacy);
        // Kinds that need their primary curve, and those that can do without it.
        if (legacy.kind >= 5 && legacy.kind <= 9) {
            const std::optional<int> primary = Primary(legacy.primary);
            if (!primary && legacy.primary != 0) {
                if (legacy.kind >= 7) {
                    objects_.push_back(-1);
                    Warn(record,
                         "the line it depends on (" + std::to_string(legacy.primary) +
                             ") does not exist; the record was skipped",
                         true);
                    return;
                }
                Warn(record,
                     "the line it depends on (" + std::to_string(legacy.primary) +
                         ") does not exist; it has none",
                     true);
            } else if (!primary && legacy.kind >= 7) {
                objects_.push_back(-1);
                Warn(record, PrimaryNeed(legacy.kind), true);
                return;
            }
            curve.primary = primary ? *primary : -1;
        }
        switch (legacy.kind) {
        case 0:
            curve.definition = "y=" + Formula(record, legacy, 0, "the");
            break;
        case 1:
            curve.definition = "x=" + Formula(record, legacy, 0, "the");
            break;
        case 2:
            // The first formula is x(t), written second as the line holds it.
            curve.definition = "y=" + Formula(record, legacy, 1, "the y") +
                               "\tx=" + Formula(record, legacy, 0, "the x") + ParameterRange(p, q);
            break;
        case 3:
            curve.definition = "r=" + Formula(record, legacy, 0, "the") + "\tfor " +
                               NumberMarkup(Clamped(record, q, MaxRevolutions, "revolutions")) + " revs";
            break;
        case 4:
            curve.definition = "r=" + Formula(record, legacy, 0, "the r") +
                               "\t{q=" + Formula(record, legacy, 1, "the angle") + ParameterRange(p, q);
            break;
        case 5:
            curve.definition = "Coordinates";
            curve.rows = std::string("\t\tjoined: ") + (p == 0 ? "1" : "0") +
                         "\r\n\t\tclosed: 0\r\n\t\tLabel from: A\r\n";
            for (const TLegacyRow& row : legacy.rows)
                curve.rows += row.x.IsBlankMarker() ? std::string("\t\t_________\r\n")
                                                    : "\t\t(" + FormatFixed(row.x.Value()) + "," +
                                                          FormatFixed(row.y.Value()) + ")\r\n";
            if (curve.description.empty())
                curve.description = "Coordinates";
            break;
        case 6:
            curve.definition = StraightLine(record, legacy);
            break;
        case 7:
            curve.definition = "{fix \x02\x01{Area from x =}{" + NumberMarkup(p) + "}";
            break;
        case 8:
            curve.definition = "Gradient function";
            break;
        case 9:
            curve.definition = Transformation(record, legacy, q);
            break;
        case 10:
            ConvertDifferentialEquation(record, legacy, std::move(curve));
            return;
        case 11:
            curve.definition = Series(record, legacy, p, q);
            break;
        default:
            break;
        }
        Add(std::move(curve));
    }

    static std::string PrimaryNeed(int kind)
    {
        switch (kind) {
        case 7:
            return "an area needs a curve it can be measured under; the record was skipped";
        case 8:
            return "a gradient function needs a curve of y in x; the record was skipped";
        default:
            return "a transformation needs something it can move; the record was skipped";
        }
    }

    Extended Clamped(int record, Extended value, Extended limit, const char* what)
    {
        if (std::fabs(value) <= limit)
            return value;
        Warn(record, std::string("the ") + what + " were limited to " + PlainNumber(limit), false);
        return value < 0 ? -limit : limit;
    }

    std::string StraightLine(int record, const TLegacyRecord& legacy)
    {
        const Extended x0 = legacy.reals[0].Value(), y0 = legacy.reals[1].Value();
        Extended angle = legacy.reals[2].Value();
        // A line's angle lies in (-pi/2, pi/2]; turning by pi gives the same line.
        if (angle <= -Pi / 2 || angle > Pi / 2) {
            // The remainder is exact however large the angle.
            angle = std::remainder(angle, Pi);
            if (angle <= -Pi / 2)
                angle += Pi;
            if (angle > Pi / 2)
                angle -= Pi;
            Warn(record, "the angle was brought into the range of a line's angles", false);
        }
        const Extended intercept = std::fabs(angle) < Pi / 4 ? y0 - x0 * std::sin(angle) / std::cos(angle)
                                                             : x0 - y0 * std::cos(angle) / std::sin(angle);
        return "Line angle" + NumberMarkup(angle) + "\tintercept " + NumberMarkup(intercept);
    }

    std::string Transformation(int record, const TLegacyRecord& legacy, Extended q)
    {
        long long repeats = std::llround(std::clamp(q, -1e9L, 1e9L));
        if (repeats < 1 || repeats > MaximumRepeats) {
            const long long limited = std::clamp<long long>(repeats, 1, MaximumRepeats);
            Warn(record,
                 "the repeats " + std::to_string(repeats) + " were limited to " + std::to_string(limited),
                 false);
            repeats = limited;
        }
        const auto cell = [&](std::size_t i) { return "{" + NumberMarkup(legacy.reals[i].Value()) + "}"; };
        std::string text;
        if (repeats > 1)
            text = "{fix \x02\x01{repeats}{" + std::to_string(repeats) + "}";
        text += "{fix \x02\x01{Matrix}{{Mtrx \x02\x02" + cell(0) + cell(1) + cell(2) + cell(3) + "}";
        text += "{fix \x02\x01{Translation}{{Mtrx \x02\x01" + cell(4) + cell(5) + "}";
        return text;
    }

    std::string Series(int record, const TLegacyRecord& legacy, Extended p, Extended q)
    {
        long long from = std::llround(std::clamp(p, -1e9L, 1e9L));
        long long to = std::llround(std::clamp(q, -1e9L, 1e9L));
        const long long wantedFrom = from, wantedTo = to;
        from = std::clamp(from, -SeriesBound, SeriesBound);
        to = std::clamp(to, -SeriesBound, SeriesBound);
        if (to - from > SeriesSpan)
            to = from + SeriesSpan;
        if (from != wantedFrom || to != wantedTo)
            Warn(record, "n was limited to run from " + std::to_string(from) + " to " + std::to_string(to),
                 false);
        return "first=" + Formula(record, legacy, 0, "the first term") +
               "\tratio=" + Formula(record, legacy, 1, "the ratio") +
               "\tn=" + NumberMarkup(static_cast<Extended>(from)) + " to " +
               NumberMarkup(static_cast<Extended>(to));
    }

    void ConvertDifferentialEquation(int record, const TLegacyRecord& legacy, TCurveText curve)
    {
        curve.definition = "dy/dx=" + Formula(record, legacy, 0, "the");
        const int equation = static_cast<int>(curves.size());
        const std::string colour = curve.colour;
        Add(std::move(curve));
        bool blank = false;
        for (const TLegacyRow& row : legacy.rows) {
            if (row.x.IsBlankMarker()) {
                blank = true;
                continue;
            }
            TCurveText solution;
            solution.record = record;
            solution.kind = 10;
            solution.colour = colour;
            solution.primary = equation;
            if (row.x.IsCompassMarker() && row.y.IsCompassMarker()) {
                solution.definition = "compass points";
            } else {
                solution.definition =
                    "{coords{" + NumberMarkup(row.x.Value()) + "}{" + NumberMarkup(row.y.Value()) + "}";
                solution.description = "Solution";
            }
            Add(std::move(solution));
        }
        if (blank)
            Warn(record, "a blank row has no meaning for a differential equation; it was skipped", false);
    }

    const TLegacyFile& file_;
    const std::set<int>& skipped_;
    std::vector<int> objects_; // legacy object number - 1 -> generated record (-1 none)
};

// The angle factor as the settings hold it: radians or degrees.
Extended AngleFactorOf(Extended factor, std::vector<TLegacyWarning>& warnings)
{
    if (std::fabs(factor - 1) <= 1e-6L)
        return 1;
    if (std::fabs(factor - DegreesFactor) <= 1e-6L * DegreesFactor)
        return DegreesFactor;
    warnings.push_back(
        {0, "the angle factor " + PlainNumber(factor) + " is neither radians nor degrees; degrees are used",
         false});
    return DegreesFactor;
}

// Whether a kind 7 to 9 line has a primary curve that can carry it.
bool PrimaryFits(int kind, const TEquationObject* line)
{
    const TEquationObject* parent = line ? line->GetParent() : nullptr;
    switch (kind) {
    case 7:
        return HasProperty(parent, 0x1 | 0x80);
    case 8:
        return HasProperty(parent, 0x1);
    case 9:
        return HasProperty(parent, 0x8);
    default:
        return true;
    }
}

} // namespace

std::string LegacyFormulaMarkup(std::string_view buffer)
{
    return FormulaMarkup(buffer, 0, buffer.size());
}

std::string LegacyShownMarkup(std::string_view text, bool& changed)
{
    std::string out;
    const auto plain = [&](unsigned char c) {
        switch (c) {
        case '\'':
            out += "{p";
            return;
        case ';':
            out += "{q";
            return;
        case '_':
            out += "{\xB1";
            return;
        case ']':
            out += "{sqrt{}";
            return;
        case '{':
            out += "(";
            changed = true;
            return;
        case '}':
            out += ")";
            changed = true;
            return;
        default:
            if (c < 32 || c == 127) {
                changed = true;
                return;
            }
            out.push_back(static_cast<char>(c));
        }
    };
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 128) {
            plain(c);
            ++i;
            continue;
        }
        // A run of raised bytes is one superscript.
        out += "{^{";
        for (; i < text.size() && static_cast<unsigned char>(text[i]) >= 128; ++i)
            plain(static_cast<unsigned char>(text[i]) - 128);
        out += "}";
    }
    return out;
}

TReadResult ReadLegacyDocument(std::string_view data, TDocument& document)
{
    TLegacyFile file;
    ReadLegacyFile(data, file);
    // Only a header with a scaling that can be shown is taken for a document.
    std::vector<std::unique_ptr<TRescaleDataTransfer>> scalings;
    std::vector<TLegacyWarning> headerWarnings;
    for (const auto& group : file.scalings) {
        // Bounds as the document stores them, so that a scaling taken now is
        // still valid when the converted document is read again.
        std::array<long double, 4> bounds{};
        for (std::size_t i = 0; i < 4; ++i)
            if (!ParseDocumentReal(FormatFixed(group[i]), bounds[i]))
                bounds[i] = group[i];
        auto scaling = std::make_unique<TRescaleDataTransfer>(bounds[0], bounds[1], bounds[2], bounds[3]);
        std::string message;
        if (scaling->Validate(message))
            scalings.push_back(std::move(scaling));
        else
            headerWarnings.push_back({0, "a scaling was dropped: " + message, false});
    }
    if (data.size() + 9 < LegacyMinimumSize || scalings.empty())
        return TReadResult::NotDocument;

    const Extended angleFactor = AngleFactorOf(file.angleFactor, headerWarnings);
    std::set<int> skipped;
    for (int pass = 0; pass < 2; ++pass) {
        TLegacyConverter converter(file, skipped);
        const std::string text = converter.Convert(angleFactor == 1);
        auto read = std::make_unique<TDocument>();
        (void)ReadDocument(text, *read, false);
        // Lines that depend on a curve unable to carry them are left out, and
        // the records read again without them.
        if (pass == 0 && read->lines.lines.size() == converter.curves.size()) {
            bool again = false;
            for (std::size_t i = 0; i < converter.curves.size(); ++i) {
                const TCurveText& curve = converter.curves[i];
                if (curve.kind >= 7 && curve.kind <= 9 &&
                    !PrimaryFits(curve.kind, read->lines.lines[i].get())) {
                    skipped.insert(curve.record);
                    again = true;
                }
            }
            if (again)
                continue;
        }
        document.lines.lines = std::move(read->lines.lines);
        document.selectedLine = -1;
        document.settings = read->settings;
        // Notes of the reader become the records' warnings.
        std::vector<TLegacyWarning> warnings = file.warnings;
        warnings.insert(warnings.end(), headerWarnings.begin(), headerWarnings.end());
        warnings.insert(warnings.end(), converter.warnings.begin(), converter.warnings.end());
        // The reader's warnings name the record their line came from. A line
        // whose formula the parser refused is already named for that; what
        // the reader did with it is only a note (such lines stay silent in
        // the window, as typed lines with a fault do).
        for (const TDocumentWarning& warning : read->warnings) {
            int record = 0;
            for (const auto& [line, number] : converter.recordLines)
                if (line <= warning.line)
                    record = number;
            if (converter.refused.count(record)) {
                if (warning.text.rfind("kept as a plain line", 0) != 0)
                    warnings.push_back({record, warning.text, false});
                continue;
            }
            warnings.push_back({record, warning.text, true});
        }
        std::stable_sort(
            warnings.begin(), warnings.end(),
            [](const TLegacyWarning& a, const TLegacyWarning& b) { return a.record < b.record; });
        for (const TLegacyWarning& warning : warnings) {
            TDocumentWarning converted;
            converted.line = warning.record;
            converted.place = warning.record ? "record " + std::to_string(warning.record) : "header";
            converted.text = warning.text;
            converted.note = !warning.lost;
            document.warnings.push_back(std::move(converted));
        }
        break;
    }

    TConfiguration& settings = document.settings;
    settings.AngleFactor = angleFactor;
    if (file.grid == 0 || file.grid == 1)
        settings.Grid = file.grid != 0;
    else
        document.warnings.insert(document.warnings.begin(),
                                 TDocumentWarning{0,
                                                  "the grid setting " + std::to_string(file.grid) +
                                                      " is unknown; the default is kept",
                                                  true, "header"});
    settings.DemonstrationDraw = false;
    settings.Pause = true;
    if (!file.records.empty())
        settings.Accuracy =
            static_cast<std::int16_t>(std::lround(4.0 * file.records.back().accuracy / 100.0) + 1);
    settings.AutoAccuracy = settings.Accuracy == 2;
    document.scalings = std::move(scalings);
    document.fileVersion = "3.101";
    return TReadResult::Legacy;
}
