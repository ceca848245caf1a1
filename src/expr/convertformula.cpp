// The byte codes of the older documents' formulas and the element that
// feeds them to the parser. Every read is bounded by the buffer: a number
// byte at the end, a group never closed or a buffer without its terminator
// all end the formula where the bytes end.
#include "expr/convertformula.h"

#include <bit>
#include <cmath>
#include <cstdint>

int LegacyByteToken(unsigned char byte)
{
    static constexpr int low[] = {
        tkNothing, tkPlus,    tkMinus,       tkTimes, tkDivide, tkPower, tkOpen, tkClose, // 0-7
        tkSin,     tkCos,     tkTan,         tkSec,   tkCosec,  tkCot,   203,    204,     // 8-15
        205,       tkInt,     220,           221,     222,      tkExp,   209,    210,     // 16-23
        211,       tkAbs,     tkModulus,     212,     213,      214,     tkE,    tkPi,    // 24-31
        tkOperand, tkNothing, tkPlusOrMinus, tkEnd,                                       // 32-35
    };
    if (byte < std::size(low))
        return low[byte];
    switch (byte) {
    case ';':
        return vcTheta;
    case 'n':
        return vcN;
    case 't':
        return vcT;
    case 'x':
        return vcX;
    case 'y':
        return vcY;
    case LegacyWholePower:
        return tkWholePower;
    case LegacyExponential:
        return tkExponential;
    case LegacyEnd:
        return tkEnd;
    default:
        return tkNothing;
    }
}

Extended DecodeLegacyReal(const unsigned char* bytes)
{
    if (bytes[0] == 0)
        return 0;
    // 39 bits of fraction, least significant byte first, below the sign bit.
    std::uint64_t fraction = 0;
    for (int i = 5; i >= 1; --i)
        fraction = (fraction << 8) | bytes[i];
    const bool negative = (fraction >> 39) & 1;
    // The value is (2^39 + fraction) * 2^(first byte - 129 - 39): a 40-bit
    // whole number times a power of two, both exact in a double, and so is
    // their product (from 2^-128 to below 2^127, far inside the double's
    // range). The power is made from its bits, as scaling by ldexp is slow.
    const std::uint64_t whole = (fraction & ((std::uint64_t{1} << 39) - 1)) | (std::uint64_t{1} << 39);
    const int power = static_cast<int>(bytes[0]) - 129 - 39;
    const auto scale = std::bit_cast<double>(static_cast<std::uint64_t>(power + 1023) << 52);
    const double magnitude = static_cast<double>(whole) * scale;
    return negative ? -static_cast<Extended>(magnitude) : static_cast<Extended>(magnitude);
}

std::size_t LegacyNextToken(std::string_view buffer, std::size_t position)
{
    if (position < buffer.size() && static_cast<unsigned char>(buffer[position]) == LegacyNumber)
        return std::min(buffer.size(), position + 7);
    return std::min(buffer.size(), position + 1);
}

std::size_t LegacyGroupEnd(std::string_view buffer, std::size_t from)
{
    int depth = 1;
    std::size_t position = from;
    while (position < buffer.size()) {
        const auto byte = static_cast<unsigned char>(buffer[position]);
        if (byte == LegacyHash || byte == LegacyEnd)
            return position;
        if (byte == LegacyOpen)
            ++depth;
        else if (byte == LegacyClose && --depth == 0)
            return position;
        position = LegacyNextToken(buffer, position);
    }
    return buffer.size();
}

TConvertFormula::TConvertFormula(std::string buffer) : buffer_(std::move(buffer))
{
    // Only the formula up to its terminator counts; what follows it in the
    // buffer is never read.
    std::size_t position = 0;
    while (position < buffer_.size()) {
        const auto byte = static_cast<unsigned char>(buffer_[position]);
        if (byte == LegacyHash || byte == LegacyEnd)
            break;
        position = LegacyNextToken(buffer_, position);
    }
    buffer_.resize(position);
}

namespace {

std::uint32_t VariableBitOf(int token)
{
    switch (token) {
    case vcX:
        return avX;
    case vcY:
        return avY;
    case vcT:
        return avT;
    case vcN:
        return avN;
    case vcTheta:
        return avTheta;
    default:
        return 0;
    }
}

} // namespace

int TConvertFormula::GetToken(TParseParams& params, const char*& text, TEvaluator*& tree)
{
    text = nullptr;
    tree = nullptr;
    if (pendingIndex_) {
        tree = pendingIndex_.release();
        return tkIndex;
    }
    if (position_ >= buffer_.size()) {
        ended_ = true;
        return tkEnd;
    }
    const auto byte = static_cast<unsigned char>(buffer_[position_]);
    if (byte == LegacyNumber) {
        if (position_ + 7 > buffer_.size()) {
            // A number cut short by the end of the formula is no number.
            position_ = buffer_.size();
            return tkNothing;
        }
        tree = new TConstantEvaluator(
            DecodeLegacyReal(reinterpret_cast<const unsigned char*>(&buffer_[position_ + 1])));
        position_ += 7;
        return tkOperand;
    }
    if (byte == LegacyExponential) {
        const std::size_t stop = LegacyGroupEnd(buffer_, position_ + 1);
        const std::string inner = buffer_.substr(position_ + 1, stop - position_ - 1);
        // The closing bracket belongs to the group; an end byte stays for the formula.
        position_ = stop < buffer_.size() && static_cast<unsigned char>(buffer_[stop]) == LegacyClose
                        ? stop + 1
                        : stop;
        TParseParams group;
        group.declaredNames = params.declaredNames;
        group.warningBoxes = false;
        if (params.depth >= MaxParseDepth) {
            SetError(params, ParseMessage::NotUnderstood);
            pendingIndex_ = std::make_unique<TConstantEvaluator>(0);
            return tkExponential;
        }
        TConvertFormula element(inner);
        StartParse(group, &element, params.allowedVariables, nullptr, false, EndOrTabTerminators());
        group.depth = params.depth + 1;
        pendingIndex_ = ParseExpression(group);
        if (element.HasMoreTokens() && !HasError(group))
            SetError(group, ParseMessage::NotUnderstood);
        if (HasError(group) && !HasError(params))
            SetError(params, group.error.message);
        params.usedVariables |= group.usedVariables;
        return tkExponential;
    }
    if (byte == LegacyHash || byte == LegacyEnd) {
        ended_ = true;
        return tkEnd;
    }
    ++position_;
    const int token = LegacyByteToken(byte);
    if (const std::uint32_t bit = VariableBitOf(token)) {
        if (byte != 'n')
            params.tokenNonConstant = true;
        if (!(params.allowedVariables & bit))
            SetError(params, ParseMessage::BadVariable);
        params.usedVariables |= bit;
    }
    return token;
}

TEvaluatorPtr ParseLegacyFormula(std::string_view buffer, std::uint32_t allowedVariables,
                                 TParseParams& params)
{
    TConvertFormula element{std::string(buffer)};
    params.warningBoxes = false;
    StartParse(params, &element, allowedVariables, nullptr, false, EndOrTabTerminators());
    TEvaluatorPtr tree = ParseExpression(params);
    // A closing bracket without its opening one stops the expression early.
    if (element.HasMoreTokens() && !HasError(params))
        SetError(params, ParseMessage::LeftBracket);
    FinishParse(params);
    return tree;
}
