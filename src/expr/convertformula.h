// The formula element of the older binary documents: a buffer of byte codes
// that hands the parser one token per byte (a number byte with its six
// following bytes gives one constant operand), staying the parser's current
// element until its end token. The byte table and the bounded scan of an
// "e to the power" group are shared with the document import.
#pragma once

#include "expr/parser.h"
#include "formula/elements.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The terminators of a byte formula.
inline constexpr unsigned char LegacyEnd = 255;
inline constexpr unsigned char LegacyHash = '#';
inline constexpr unsigned char LegacyNumber = 32;
inline constexpr unsigned char LegacyOpen = 6;
inline constexpr unsigned char LegacyClose = 7;
inline constexpr unsigned char LegacyWholePower = 133;
inline constexpr unsigned char LegacyExponential = 149;
// A formula holds at most this many bytes, its terminator included.
inline constexpr std::size_t LegacyFormulaLimit = 256;

// The parser token a byte code stands for (tkNothing for unusable bytes).
[[nodiscard]] int LegacyByteToken(unsigned char byte);
// The value of the six-byte real at bytes (exactly six bytes are read).
[[nodiscard]] Extended DecodeLegacyReal(const unsigned char* bytes);

// Where the group opened by an "e to the power" byte stops, scanning from
// from with a bracket depth of 1: the closing bracket that brings the depth
// back to 0, else the first end byte, else the buffer's end. A number byte's
// six bytes are never counted as brackets or ends.
[[nodiscard]] std::size_t LegacyGroupEnd(std::string_view buffer, std::size_t from);
// The position after the token at position (a number byte takes its six bytes,
// as far as the buffer has them).
[[nodiscard]] std::size_t LegacyNextToken(std::string_view buffer, std::size_t position);

class TConvertFormula : public TEditorObject {
public:
    // The buffer is taken up to its first terminator outside numbers; it is
    // always read as ending with one, whatever it holds.
    explicit TConvertFormula(std::string buffer);
    int GetToken(TParseParams& params, const char*& text, TEvaluator*& tree) override;
    // Whether the parser should ask this element for its next token.
    [[nodiscard]] bool HasMoreTokens() const { return !ended_; }

private:
    std::string buffer_;
    std::size_t position_ = 0;
    bool ended_ = false;
    TEvaluatorPtr pendingIndex_; // the exponent of an "e to the power" just handed out
};

// Parses a byte formula on its own with the given variables; the parse
// state tells whether it had an error.
[[nodiscard]] TEvaluatorPtr ParseLegacyFormula(std::string_view buffer, std::uint32_t allowedVariables,
                                               TParseParams& params);
