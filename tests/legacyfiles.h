// Writes documents of the older binary layout for the tests and the fuzzing
// seeds: six-byte reals, the header, records of every kind and their byte
// formulas, built up byte by byte from the layout's description. The seed
// corpus of the legacy fuzz target is exactly LegacySeeds(), each without
// its leading word.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace legacy {

using Bytes = std::string;

// The six bytes of x: exponent biased by 129, then 39 bits of fraction least
// significant byte first, the sign in the top bit of the last byte.
inline Bytes Real(long double x)
{
    Bytes bytes(6, '\0');
    if (x == 0)
        return bytes;
    int exponent = 0;
    const long double mantissa = std::frexp(std::fabs(x), &exponent); // in [0.5, 1)
    std::uint64_t fraction = static_cast<std::uint64_t>(std::llround((2 * mantissa - 1) * 549755813888.0L));
    if (fraction == (std::uint64_t{1} << 39)) {
        fraction = 0;
        ++exponent;
    }
    const int biased = exponent - 1 + 129;
    if (biased < 1 || biased > 255)
        throw std::range_error("no six-byte real holds this value");
    if (x < 0)
        fraction |= std::uint64_t{1} << 39;
    bytes[0] = static_cast<char>(biased);
    for (int i = 1; i <= 5; ++i)
        bytes[static_cast<std::size_t>(i)] = static_cast<char>((fraction >> (8 * (i - 1))) & 0xFF);
    return bytes;
}

inline Bytes Raw(std::initializer_list<int> values)
{
    Bytes bytes;
    for (int value : values)
        bytes.push_back(static_cast<char>(value));
    return bytes;
}

// The markers, as their bytes.
inline const Bytes EndMarker = Raw({0xFB, 0xBB, 0x1A, 0xC2, 0xBD, 0x70});
inline const Bytes BlankMarker = Raw({0x07, 0x54, 0x14, 0xEA, 0x1C, 0x08});
inline const Bytes CompassMarker = Raw({0x06, 0x54, 0x14, 0xEA, 0x1C, 0x08});

// Formula bytes.
inline const Bytes Plus = Raw({1}), Minus = Raw({2}), Times = Raw({3}), Over = Raw({4}), Power = Raw({5});
inline const Bytes Open = Raw({6}), Close = Raw({7}), Sin = Raw({8}), Cos = Raw({9}), Sqrt = Raw({18});
inline const Bytes Pi = Raw({31}), E = Raw({30}), PlusMinus = Raw({34}), Theta = Raw({';'});
inline const Bytes WholePower = Raw({133}), Exponential = Raw({149}), End = Raw({255}), Hash = Raw({'#'});
inline Bytes Number(long double x)
{
    return "\x20" + Real(x);
}

struct Scaling {
    long double xmin = -10, xmax = 10, ymin = -8, ymax = 8;
};

// The header after "Lumacurve": two unused bytes, five scalings, the
// settings block (grid in its last byte), an unused byte, the angle factor.
inline Bytes Header(const std::array<Scaling, 5>& scalings = {}, int grid = 1, long double angleFactor = 1)
{
    Bytes bytes = "Lumacurve" + Raw({0, 0});
    for (const Scaling& s : scalings)
        bytes += Real(s.xmin) + Real(s.xmax) + Real(s.ymin) + Real(s.ymax);
    bytes += Bytes(20, '\0') + Raw({grid}) + Raw({0}) + Real(angleFactor);
    return bytes;
}

struct Record {
    int kind = 0;
    int colour = 1;
    int accuracy = 25;
    long double p = 0, q = 0;
    Bytes payload;
    std::vector<std::string> shown; // the shown text's lines
};

inline Bytes Encode(const Record& r, bool last)
{
    Bytes bytes = Raw({r.kind, static_cast<int>(r.shown.size()), r.colour, r.accuracy}) + Real(r.p) +
                  Real(r.q) + r.payload;
    for (const std::string& line : r.shown)
        bytes += line + "\r\n";
    bytes += Raw({last ? 1 : 0});
    return bytes;
}

inline Bytes File(const std::vector<Record>& records, const Bytes& header = Header())
{
    Bytes bytes = header;
    for (std::size_t i = 0; i < records.size(); ++i)
        bytes += Encode(records[i], i + 1 == records.size());
    return bytes;
}

// Rows of a coordinate list or differential equation, ended by the marker pair.
inline Bytes Rows(const std::vector<std::pair<Bytes, Bytes>>& rows)
{
    Bytes bytes;
    for (const auto& [x, y] : rows)
        bytes += x + y;
    return bytes + EndMarker + EndMarker;
}

inline Bytes Reals(std::initializer_list<long double> values)
{
    Bytes bytes;
    for (long double value : values)
        bytes += Real(value);
    return bytes;
}

// One record of every kind: x², a parametric circle, a polar rose, a
// polar-parametric spiral, a joined list with a blank row, a line, an area,
// a gradient, a transformation, a differential equation with a solution and
// compass points, a series.
inline std::vector<Record> EveryKind()
{
    const Bytes x = "x", t = "t";
    return {
        {0, 1, 25, 0, 0, x + Power + Number(2) + End, {"y=x\xB2"}},
        {1, 2, 25, 0, 0, Sin + "y" + End, {"x=sin y"}},
        {2, 3, 25, 0, 6.25L, Cos + t + Hash + Sin + t + End, {"x=cos t, y=sin t"}},
        {3, 1, 25, 0, 2, Sin + Open + Number(3) + Theta + Close + End, {"r=sin 3;"}},
        {4, 2, 25, -1, 1, t + Hash + Number(2) + t + End, {"r=t, ;=2t"}},
        {5,
         3,
         25,
         0,
         0,
         Rows({{Real(1), Real(2)}, {BlankMarker, Real(0)}, {Real(3), Real(-1)}}) + Raw({0}),
         {"Points"}},
        {6, 1, 25, 0, 0, Reals({1, 2, 0.5L, 0, 0, 0}) + Raw({0}), {"Line"}},
        {7, 2, 25, -1, 0, Reals({1, 2}) + EndMarker + Raw({1}), {"Area"}},
        {8, 3, 25, 0, 0, Raw({1}), {"Gradient"}},
        {9, 1, 25, 0, 2, Reals({0, -1, 1, 0, 2, 1, 0, 0}) + Raw({1}), {"Turned"}},
        {10,
         2,
         25,
         0,
         0,
         Minus + x + Over + "y" + End + Rows({{Real(0), Real(2)}, {CompassMarker, CompassMarker}}),
         {"dy/dx=-x/y"}},
        {11, 3, 25, 1, 5, Number(1) + End + x + End, {"Series"}},
    };
}

// The seeds of the legacy fuzz target, by file name.
inline std::map<std::string, Bytes> LegacySeeds()
{
    std::map<std::string, Bytes> seeds;
    const Bytes everyKind = File(EveryKind());
    seeds["every_kind"] = everyKind;
    // Every byte code in one formula of y.
    Bytes codes;
    for (int byte = 1; byte < 255; ++byte)
        if (byte != 32 && byte != '#')
            codes += Raw({byte});
    seeds["every_byte"] = File({{0, 1, 25, 0, 0, codes + End, {}}});
    // Numbers whose bytes are terminators and brackets.
    seeds["numbers_with_ends"] =
        File({{0,
               1,
               25,
               0,
               0,
               Raw({32, 0xFF, 0, 0, 0, 0, 0}) + Plus + Raw({32, 0x23, 6, 7, 0xFF, 0x23, 0}) + Plus +
                   Raw({32, 6, 0, 0, 0, 0, 0}) + End,
               {"y=big"}},
              {2, 1, 25, 0, 1, Raw({32, 7, 0x23, 0, 0, 0, 0}) + "t" + Hash + "t" + End, {"p"}}});
    seeds["exponentials"] =
        File({{0,
               1,
               25,
               0,
               0,
               Exponential + "x" + Exponential + Open + "x" + Close + Close + Plus + Exponential + "x" + End,
               {"nested"}},
              {0, 1, 25, 0, 0, Number(2) + WholePower + "x" + Plus + Number(1) + End, {"whole"}}});
    seeds["unclosed"] = File({{0, 1, 25, 0, 0, Exponential + Open + "x" + Bytes(300, '\x01'), {}}});
    seeds["shown_text"] = File({{0, 0, 25, 0, 0, "x" + End, {"{x\xB2\x7F}", "'_];\x01\x80\xFF"}}});
    seeds["bad_primaries"] = File({{0, 1, 25, 0, 0, "x" + End, {"y=x"}},
                                   {8, 1, 25, 0, 0, Raw({9}), {"Gradient of nothing"}},
                                   {6, 1, 25, 0, 0, Reals({0, 0, 7, 0, 0, 0}) + Raw({200}), {"Line"}},
                                   {9, 1, 25, 0, 1e9L, Reals({1, 0, 0, 1, 1, 1, 0, 0}) + Raw({1}), {"huge"}},
                                   {3, 1, 25, 0, 1e30L, Raw({1}) + End, {"huge Q"}},
                                   {11, 1, 25, -1e20L, 1e20L, Number(1) + End + "n" + End, {"huge n"}},
                                   {40, 1, 25, 0, 0, "", {"unknown kind"}}});
    seeds["header_only"] = Header() + Raw({0});
    seeds["truncated"] = everyKind.substr(0, everyKind.size() / 2);
    seeds["degrees"] =
        File({{0, 1, 25, 0, 0, Sin + "x" + End, {}}}, Header({}, 7, 3.14159265358979323846L / 180));
    return seeds;
}

} // namespace legacy
