// The older binary documents, byte by byte: six-byte reals, the header with
// its five scalings, grid and angle factor, and the records with their kind,
// colour, accuracy, parameters, byte formulas, rows and shown text. Every
// read is bounded by the data; a file that ends early keeps the records read
// before it. Turning the records into equation lines is the import's work.
#pragma once

#include "numbers/numerics.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A six-byte real as stored: markers are recognised by their bytes, never
// by a value that only comes close to them.
struct TLegacyReal {
    std::array<unsigned char, 6> bytes{};
    [[nodiscard]] Extended Value() const;
    [[nodiscard]] bool IsEndMarker() const;     // 1E37: ends a list
    [[nodiscard]] bool IsBlankMarker() const;   // 2E-37: a blank row
    [[nodiscard]] bool IsCompassMarker() const; // 1E-37: compass points
};

// The bytes of the three markers.
inline constexpr std::array<unsigned char, 6> LegacyEndBytes{0xFB, 0xBB, 0x1A, 0xC2, 0xBD, 0x70};
inline constexpr std::array<unsigned char, 6> LegacyBlankBytes{0x07, 0x54, 0x14, 0xEA, 0x1C, 0x08};
inline constexpr std::array<unsigned char, 6> LegacyCompassBytes{0x06, 0x54, 0x14, 0xEA, 0x1C, 0x08};

struct TLegacyRow {
    TLegacyReal x, y;
};

// One record as read. Formulas keep their bytes up to and including their
// terminator (or 256 bytes).
struct TLegacyRecord {
    int kind = 0;
    int colour = 1;
    int accuracy = 0;
    TLegacyReal p, q;
    std::vector<std::string> formulas;
    std::vector<TLegacyRow> rows;
    std::vector<TLegacyReal> reals; // straight line, transformation
    int primary = 0;
    std::string shown; // the shown text's lines joined, CRs dropped
};

// A problem met while reading: the record (1 for the first, 0 for the header).
struct TLegacyWarning {
    int record = 0;
    std::string text;
    bool lost = true; // something was lost or damaged (else only not converted as it stood)
};

struct TLegacyFile {
    std::array<std::array<Extended, 4>, 5> scalings{}; // XMin, XMax, YMin, YMax, first group first
    int grid = 0;
    Extended angleFactor = 1;
    std::vector<TLegacyRecord> records;
    std::vector<TLegacyWarning> warnings;
};

// The smallest file (counting "Lumacurve") that can hold a header and a record.
inline constexpr std::size_t LegacyMinimumSize = 160;

// Reads the data that follows "Lumacurve". Never throws; a file that ends
// early keeps what was read, with a warning.
void ReadLegacyFile(std::string_view data, TLegacyFile& file);
