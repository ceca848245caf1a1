// The formula parser: turns the element list of a formula line into an
// evaluation tree. It reads the pupils' notation (implicit multiplication,
// functions without brackets, indices, modulus signs, ±, mixed numbers,
// sin²x and sin⁻¹x, relations), folds constant sub-expressions as it goes,
// and reports the first problem as a message, a position and the element it
// lies in, so that the editor can put the caret there. Parsing never throws
// and never stops early: after an error it continues with placeholders.
#pragma once

#include "expr/evaluator.h"
#include "formula/elements.h"

#include <bitset>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TEquationObject;
class TDeclarationLine;

// Token codes (elements and the lexer produce them).
enum : int {
    tkNothing = 1,
    tkBlank = 2,
    tkPlus = 100,
    tkMinus = 101,
    tkTimes = 102,
    tkDivide = 103,
    tkPower = 104,
    tkClose = 105,
    tkOpen = 106,
    tkFactorial = 108,
    tkModulus = 109,
    tkE = 110,
    tkPi = 111,
    tkPlusOrMinus = 112,
    tkWholePower = 113,
    tkNumber = 170,
    tkSin = 200,
    tkCos = 201,
    tkTan = 202,
    tkSec = 206,
    tkCosec = 207,
    tkCot = 208,
    tkAbs = 218,
    tkInt = 219,
    tkExp = 223,
    tkTo = 224,
    tkRevs = 225,
    tkDy = 226,
    tkDx = 227,
    tkFirst = 228,
    tkRatio = 229,
    tkFor = 230,
    tkNth = 231,
    tkAxis = 232,
    tkHalf = 233,
    tkQuarter = 234,
    tkExponential = 250,
    tkEnd = 251,
    tkTab = 252,
    tkDyDx = 306,
    tkDeclaredConstant = 310,
    tkUndefinedName = 311,
    tkNewName = 312,
    tkNewFunction = 313,
    tkParameter = 314,
    tkDeclaredFunction = 315,
    tkConstant = 321,
    tkGreater = 330,
    tkGreaterEqual = 331,
    tkLessEqual = 333,
    tkLess = 334,
    tkOperand = 400,
    tkIndex = 401,
    tkXAxisWord = 411,
    tkYAxisWord = 412,
    tkDescription = 602,
    tkCoordinates = 613,
    tkMatrix = 700,
};

// Relations read at a terminator.
enum : int { rlGreater = 0, rlGreaterEqual = 1, rlEqual = 2, rlLessEqual = 3, rlLess = 4 };

// Allowed-variable bits: bit (letter - 104).
enum : std::uint32_t {
    avX = 1u << 16,
    avY = 1u << 17,
    avT = 1u << 12,
    avR = 1u << 10,
    avN = 1u << 6,
    avTheta = 1u << 9,
};

// The messages of the parser, exactly as the user sees them.
namespace ParseMessage {
inline constexpr const char* NotUnderstood = "I do not understand this formula";
inline constexpr const char* BadCharacter = "I do not understand this character or word";
inline constexpr const char* BadVariable = "You cannot have this variable here";
inline constexpr const char* TwoPoints = "You cannot have two points in a number";
inline constexpr const char* NumberAfterPoint = "There must be a number after the decimal point";
inline constexpr const char* TooBig = "This number is too big";
inline constexpr const char* Complex = "This number is complex";
inline constexpr const char* NotInteger = "This number must be an integer";
inline constexpr const char* NotPositive = "This must be a positive number";
inline constexpr const char* BadIndex = "This must be a positive whole number or -1";
inline constexpr const char* RightBracket = "Right bracket missing";
inline constexpr const char* LeftBracket = "Left bracket missing";
inline constexpr const char* ModulusSign = "Missing modulus sign";
inline constexpr const char* WordInMiddle = "You cannot put this word in the middle of this formula";
inline constexpr const char* SelfReference = "A name cannot refer to itself";
inline constexpr const char* ReservedName = "You cannot use this name for a constant";
inline constexpr const char* EmptyCell = "You must put a formula here";
} // namespace ParseMessage

// The first problem found: message, character position in the element, element.
struct TParseError {
    const char* message = nullptr;
    int position = 0;
    TEditorObject* element = nullptr; // borrowed
    [[nodiscard]] bool Empty() const { return message == nullptr; }
};

// One variable occurrence.
struct TXYPosition {
    TEditorObject* element = nullptr; // borrowed
    int position = 0;
    int count = 1;
    char letter = 0;
    std::uint8_t mark = 255;
};

using TTerminatorSet = std::bitset<256>;
// {end of elements is normal, tab}: the set for a whole formula.
[[nodiscard]] TTerminatorSet EndOrTabTerminators();
// The relation characters "<", "=", ">" (and with ">" the special relation
// symbols) for the first expression of a line.
[[nodiscard]] TTerminatorSet RelationTerminators();

// The current token and what comes with it.
struct TToken {
    int code = tkNothing;
    Extended number = 0;              // for tkNumber
    TEvaluatorPtr tree;               // for tkOperand, tkIndex, tkMatrix, tkCoordinates
    void* declaration = nullptr;      // for declared names (a TDeclarationLine)
    std::string name;                 // for new and undefined names
    TEditorObject* element = nullptr; // the element the token came from
    int position = 0;                 // where the token starts in that element
};

struct TParseParams {
    TEditorObject* nextElement = nullptr;
    TEditorObject* tokenElement = nullptr;
    int position = 0;
    bool singleVariableMode = false;
    bool notPlainLiteral = false;
    std::uint8_t numberState = 0;
    bool nonConstant = false;
    bool wordsAllowed = false;
    bool nothingRead = true;
    std::uint32_t allowedVariables = 0;
    std::uint32_t usedVariables = 0;
    TTerminatorSet terminators;
    bool tokenNonConstant = false;
    bool firstElement = true;
    const char* defaultMessage = ParseMessage::NotUnderstood;
    int lastToken = 0;
    int relation = rlEqual;
    TParseError error;
    std::string parameterName;
    std::string name;
    std::vector<std::string>* undefinedNames = nullptr;           // borrowed, or none
    const std::vector<TEquationObject*>* declaredNames = nullptr; // borrowed, or none
    std::vector<TXYPosition> variablePositions;
    bool halfAndQuarterAllowed = false;
    const std::string* definedName = nullptr; // borrowed, or none
    int modulusDepth = 0;
    // Whether names may be defined later (the "Define Constants" setting).
    bool defineLater = true;
    // A line typed or pasted may raise a warning box; a document being read raises none.
    bool warningBoxes = true;
    // Set by the classifier for fixed-word lines, where "x axis" is a word.
    bool fixedWordLine = false;

    // Lexer state: the text being scanned (lower-cased), the pushed-back
    // token, the nesting depth of the parse, and whether a word ended the
    // expression.
    std::string text;
    bool textActive = false;
    TToken current;
    bool pushedBack = false;
    int depth = 0;
    bool wordEnded = false;
};

// Records message at the current token unless a specific message is already
// recorded (the first specific message wins).
void SetError(TParseParams& params, const char* message);
void SetErrorAt(TParseParams& params, const char* message, TEditorObject* element, int position);
// Records unconditionally.
void ForceError(TParseParams& params, const char* message);
void ForceErrorAt(TParseParams& params, const char* message, TEditorObject* element, int position);
// Empties the record and resets the evaluation status to 3.
void ClearError(TParseParams& params);
[[nodiscard]] inline bool HasError(const TParseParams& params)
{
    return !params.error.Empty();
}

// The first element from from on that is neither an anchor nor a text run
// of blanks, or nullptr.
[[nodiscard]] TEditorObject* NextNonBlankElement(TEditorObject* from);

// Fills the state for a parse of the list starting at first.
void StartParse(TParseParams& params, TEditorObject* first, std::uint32_t allowedVariables,
                std::vector<std::string>* undefinedNames, bool singleVariableMode,
                const TTerminatorSet& terminators, int startPosition = 0);
// One expression from the current place; never returns nullptr.
[[nodiscard]] TEvaluatorPtr ParseExpression(TParseParams& params);
// Clears the non-constant flag, then ParseExpression.
[[nodiscard]] TEvaluatorPtr ParseNext(TParseParams& params);
// Parses a separate list (a cell) with the same state, then restores the
// place. An empty cell records "You must put a formula here" at owner.
[[nodiscard]] TEvaluatorPtr ParseCell(TParseParams& params, TEditorObject* list,
                                      TEditorObject* owner = nullptr);
// A constant expression's value through SafeEvaluate, or 0 after an error.
[[nodiscard]] Extended EvaluateConstant(TParseParams& params);
// EvaluateConstant, requiring a whole (and with positiveOnly a non-negative) value.
[[nodiscard]] Extended ReadWholeNumber(TParseParams& params, bool positiveOnly);
// The token of the next expression read with words allowed, or 1.
[[nodiscard]] int PeekWord(TParseParams& params);
// True when PeekWord gives token; otherwise records message.
[[nodiscard]] bool ExpectWord(TParseParams& params, int token, const char* message);
void FinishParse(TParseParams& params);
// A tree for a constant text element, only x allowed.
[[nodiscard]] TEvaluatorPtr ParseConstantText(TEditorObject* textElement);

// The keyword table: code, required part and completion.
struct TKeyword {
    const char* entry; // e.g. "sin(e"
    int code;
};
[[nodiscard]] const std::vector<TKeyword>& Keywords();
// The required part of a keyword entry ("sin" for "sin(e").
[[nodiscard]] std::string_view KeywordName(int code);

// The deepest nesting of brackets, functions and cells that a formula may
// have; deeper input gets "I do not understand this formula".
inline constexpr int MaxParseDepth = 200;
// The largest number of nodes on one path of a parsed tree.
inline constexpr int MaxTreeHeight = 2000;
