#include "expr/parser.h"

#include "expr/convertformula.h"

#include "expr/declarations.h"
#include "formula/descriptions.h"
#include "formula/markup.h"
#include "numbers/numerics.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <typeinfo>

namespace {

// A parsed sub-expression with the facts folding and the depth bound need.
struct TPart {
    TEvaluatorPtr tree;
    bool nonConstant = false; // holds a variable, a name or a word
    bool branches = false;    // holds a ± node: each sign is a branch of its own, never folded
    int height = 1;
    TEditorObject* startElement = nullptr;
    int startPosition = 0;
};

const std::vector<TKeyword> keywordTable = {
    {"sin(e", 200},   {"cos(ine", 201},   {"tan(gent", 202},    {"sinh", 203},      {"cosh", 204},
    {"tanh", 205},    {"sec", 206},       {"cosec", 207},       {"cot", 208},       {"asin", 209},
    {"acos", 210},    {"atan(gent", 211}, {"asinh", 212},       {"acosh", 213},     {"atanh", 214},
    {"asec", 215},    {"acosec", 216},    {"acot", 217},        {"abs(olute", 218}, {"int(eger", 219},
    {"sqrt", 220},    {"log", 221},       {"ln", 222},          {"exp", 223},       {"to", 224},
    {"revs", 225},    {"dy", 226},        {"dx", 227},          {"first", 228},     {"ratio", 229},
    {"for", 230},     {"nth", 231},       {"axis", 232},        {"half", 233},      {"quarter", 234},
    {"arcsin", 209},  {"arccos", 210},    {"arctan(gent", 211}, {"arcsinh", 212},   {"arccosh", 213},
    {"arctanh", 214}, {"arcsec", 215},    {"arccosec", 216},    {"arccot", 217},
};

std::string_view RequiredPart(std::string_view entry)
{
    const auto bracket = entry.find('(');
    return bracket == std::string_view::npos ? entry : entry.substr(0, bracket);
}

std::string_view Completion(std::string_view entry)
{
    const auto bracket = entry.find('(');
    return bracket == std::string_view::npos ? std::string_view{} : entry.substr(bracket + 1);
}

bool StartsWithAt(const std::string& text, std::size_t position, std::string_view word)
{
    return position <= text.size() && text.size() - position >= word.size() &&
           text.compare(position, word.size(), word) == 0;
}

// The keyword starting at position, tried from the last entry to the first
// so that longer names sharing a prefix win; nullptr when none.
const TKeyword* KeywordAt(const std::string& text, std::size_t position, bool halfAllowed)
{
    for (auto it = keywordTable.rbegin(); it != keywordTable.rend(); ++it) {
        if ((it->code == tkHalf || it->code == tkQuarter) && !halfAllowed)
            continue;
        if (StartsWithAt(text, position, RequiredPart(it->entry)))
            return &*it;
    }
    return nullptr;
}

bool IsLetter(char c)
{
    return std::isalpha(static_cast<unsigned char>(c)) != 0;
}

std::uint32_t VariableBit(char letter)
{
    if (letter == 'q')
        return avTheta;
    return 1u << (static_cast<unsigned char>(letter) - 104);
}

int VariableCode(char letter)
{
    switch (letter) {
    case 'x':
        return vcX;
    case 'y':
        return vcY;
    case 't':
        return vcT;
    case 'q':
        return vcTheta;
    case 'r':
        return vcR;
    default:
        return vcN;
    }
}

bool IsWordEnding(int code)
{
    return code == tkFor || (code >= 406 && code <= 410) || (code >= 602 && code <= 800);
}

bool IsWord(int code)
{
    return (code >= tkDy && code <= tkRatio) || code == tkNth || code == tkNewName || code == tkNewFunction ||
           IsWordEnding(code) || code == tkXAxisWord || code == tkYAxisWord || code == tkDyDx;
}

bool CanStartOperand(int code)
{
    switch (code) {
    case tkOpen:
    case tkModulus:
    case tkE:
    case tkPi:
    case tkNumber:
    case tkExponential:
    case tkHalf:
    case tkQuarter:
    case tkDeclaredConstant:
    case tkUndefinedName:
    case tkNewName:
    case tkNewFunction:
    case tkParameter:
    case tkDeclaredFunction:
    case tkOperand:
    case tkCoordinates:
        return true;
    default:
        break;
    }
    return (code >= 200 && code <= 223) || (code >= tkDy && code <= tkNth) || (code >= vcX && code <= vcN) ||
           IsWordEnding(code);
}

int Strength(int code)
{
    switch (code) {
    case tkPlus:
    case tkMinus:
    case tkPlusOrMinus:
        return 7;
    case tkTimes:
    case tkDivide:
        return 8;
    case tkDeclaredFunction:
        return 9;
    case tkPower:
        return 12;
    case tkIndex:
    case tkWholePower:
        return 13;
    case tkFactorial:
        return 11;
    default:
        break;
    }
    if (code >= 200 && code <= 223)
        return 9;
    return CanStartOperand(code) ? 11 : 0;
}

// A new name may not be one of the description texts ("Square", "angle" ...).
bool IsDescriptionName(std::string_view name)
{
    for (int number = 1; number <= DescriptionCount; ++number) {
        std::string_view text = DescriptionText(number);
        while (!text.empty() && text.front() == ' ')
            text.remove_prefix(1);
        while (!text.empty() && text.back() == ' ')
            text.remove_suffix(1);
        if (text.size() == name.size() && !text.empty() &&
            std::equal(text.begin(), text.end(), name.begin(), [](char a, char b) {
                return std::tolower(static_cast<unsigned char>(a)) ==
                       std::tolower(static_cast<unsigned char>(b));
            }))
            return true;
    }
    return false;
}

TEvaluatorPtr Placeholder()
{
    return std::make_unique<TTokenEvaluator>(tkNothing);
}

// Whether a ready tree from an element holds anything that is not constant.
bool TreeIsNonConstant(TEvaluator* tree)
{
    bool found = false;
    tree->ForEachNode(
        [](void* data, TEvaluator* node, void*) {
            const int code = node->TokenCode();
            if ((code >= vcX && code <= vcN) || code == tkDeclaredConstant || code == tkUndefinedName ||
                code == tkParameter || code == tkDeclaredFunction || code == tkDyDx ||
                (code != tkConstant && code != 1 && dynamic_cast<TTokenEvaluator*>(node)) ||
                dynamic_cast<TDeclaredFunctionParameter*>(node))
                *static_cast<bool*>(data) = true;
        },
        &found, nullptr);
    return found;
}

// True when tree holds a ± node.
bool TreeHasBranches(TEvaluator* tree)
{
    bool found = false;
    if (tree)
        tree->ForEachNode(
            [](void* data, TEvaluator* node, void*) {
                if (dynamic_cast<TPlusOrMinusEvaluator*>(node))
                    *static_cast<bool*>(data) = true;
            },
            &found, nullptr);
    return found;
}

// The number of nodes on the longest path down from tree (0 for none). The
// trees that elements hand over were bounded when their cells were parsed,
// so the recursion is bounded too.
int TreeHeight(const TEvaluator* tree)
{
    if (const auto* unary = dynamic_cast<const TUnaryEvaluator*>(tree))
        return 1 + TreeHeight(unary->Operand());
    if (const auto* binary = dynamic_cast<const TBinaryEvaluator*>(tree))
        return 1 + std::max(TreeHeight(binary->Left()), TreeHeight(binary->Right()));
    return tree ? 1 : 0;
}

class TParser {
public:
    explicit TParser(TParseParams& params) : p(params) {}

    TPart ParseLevel(int level)
    {
        TPart left = ParseOperand();
        return ParseOperators(level, std::move(left));
    }

private:
    TParseParams& p;

    // ---- lexer -------------------------------------------------------

    void NextToken()
    {
        if (p.pushedBack) {
            p.pushedBack = false;
            return;
        }
        p.current = TToken{};
        p.current.code = Lex();
        p.current.element = p.tokenElement;
        if (!HasError(p))
            p.lastToken = p.current.code;
        if (p.current.code != tkEnd)
            p.nothingRead = false;
    }

    void PushBack() { p.pushedBack = true; }

    int Lex()
    {
        if (HasError(p))
            return tkNothing;
        endedAtTerminator = false;
        for (;;) {
            if (p.textActive && p.position < static_cast<int>(p.text.size())) {
                p.current.position = p.position;
                const int code = ScanText();
                if (code == tkBlank)
                    continue;
                return code;
            }
            p.textActive = false;
            if (!p.nextElement) {
                if (p.tokenElement)
                    p.position = p.tokenElement->PositionCount();
                p.current.position = p.position;
                if (!p.terminators[0])
                    SetError(p, p.defaultMessage);
                return tkEnd;
            }
            TEditorObject* element = p.nextElement;
            p.tokenElement = element;
            if (!p.firstElement)
                p.position = 0;
            p.firstElement = false;
            p.current.position = p.position;
            const char* text = nullptr;
            TEvaluator* tree = nullptr;
            int code = element->GetToken(p, text, tree);
            // A nested parse (a fraction's cells) may have moved the token element on.
            p.tokenElement = element;
            p.current.tree.reset(tree);
            if (code == tkTab) {
                p.nextElement = element->next;
                return tkEnd;
            }
            if (code >= tkGreater && code <= tkLess) {
                p.nextElement = element->next;
                if (p.terminators['>']) {
                    p.relation = code - tkGreater;
                    return tkEnd;
                }
                return code;
            }
            if (code == tkDescription)
                return tkEnd; // stays on the element
            // A byte formula of an older document hands out all its tokens
            // before the parser moves on.
            const auto* converter = dynamic_cast<const TConvertFormula*>(element);
            p.nextElement = converter && converter->HasMoreTokens() ? element : element->next;
            if (code == tkBlank) {
                if (text) {
                    p.text = text;
                    for (char& c : p.text)
                        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
                    p.textActive = true;
                }
                continue;
            }
            return code;
        }
    }

    // One token from the text at the current position.
    int ScanText()
    {
        const std::string& text = p.text;
        const auto size = text.size();
        auto position = static_cast<std::size_t>(p.position);
        const char c = text[position];
        const auto uc = static_cast<unsigned char>(c);
        auto next = [&](std::size_t i) { return i < size ? text[i] : '\0'; };

        if (p.terminators[uc]) {
            endedAtTerminator = true;
            switch (c) {
            case '>':
                if (next(position + 1) == '=') {
                    ++p.position;
                    p.relation = rlGreaterEqual;
                } else {
                    p.relation = rlGreater;
                }
                break;
            case '=':
                if (next(position + 1) == '>') {
                    ++p.position;
                    p.relation = rlGreaterEqual;
                } else if (next(position + 1) == '<') {
                    ++p.position;
                    p.relation = rlLessEqual;
                }
                break;
            case '<':
                if (next(position + 1) == '=') {
                    ++p.position;
                    p.relation = rlLessEqual;
                } else {
                    p.relation = rlLess;
                }
                break;
            default:
                if (uc == 0xB3)
                    p.relation = rlGreaterEqual;
                else if (uc == 0xA3)
                    p.relation = rlLessEqual;
                break;
            }
            return tkEnd;
        }
        if (std::isdigit(uc) || c == DecimalPoint)
            return ScanNumber();
        if (!p.parameterName.empty() && StartsWithAt(text, position, p.parameterName)) {
            p.position += static_cast<int>(p.parameterName.size());
            return tkParameter;
        }
        if (const TKeyword* keyword = KeywordAt(text, position, p.halfAndQuarterAllowed)) {
            const std::string_view required = RequiredPart(keyword->entry);
            std::size_t end = position + required.size();
            const std::string_view completion = Completion(keyword->entry);
            if (!completion.empty() && StartsWithAt(text, end, completion))
                end += completion.size();
            p.position = static_cast<int>(end);
            if ((keyword->code == tkTo || keyword->code == tkRevs) && p.terminators[2])
                return tkEnd;
            return keyword->code;
        }
        switch (c) {
        case ' ':
            ++p.position;
            return tkBlank;
        case '!':
            ++p.position;
            return tkFactorial;
        case '(':
            ++p.position;
            return tkOpen;
        case ')':
            ++p.position;
            return tkClose;
        case '*':
            ++p.position;
            return tkTimes;
        case '+':
            ++p.position;
            return tkPlus;
        case '-':
            ++p.position;
            return tkMinus;
        case '/':
            ++p.position;
            return tkDivide;
        case '^':
            ++p.position;
            return tkPower;
        case '|':
            ++p.position;
            return tkModulus;
        case 'e':
            ++p.position;
            if (position + 1 == size && dynamic_cast<TSuperscriptEditObject*>(p.nextElement))
                return tkExponential;
            return tkE;
        case 'x':
        case 'y':
        case 't':
        case 'r':
        case 'n': {
            const std::uint32_t bit = VariableBit(c);
            if (p.allowedVariables & bit) {
                ++p.position;
                UseVariable(c, p.tokenElement, static_cast<int>(position));
                return VariableCode(c);
            }
            // A declared name may start with a variable letter (r in "rate").
            const int named = TryNames(position);
            if (named != tkNothing)
                return named;
            SetErrorAt(p, ParseMessage::BadVariable, p.tokenElement, static_cast<int>(position));
            SkipRefused(position);
            return tkNothing;
        }
        default:
            break;
        }
        const int named = TryNames(position);
        if (named != tkNothing)
            return named;
        SetErrorAt(p, ParseMessage::BadCharacter, p.tokenElement, static_cast<int>(position));
        SkipRefused(position);
        return tkNothing;
    }

    // Passes the refused character at position, unless TryNames has already
    // passed a whole refused name (a description text): stepping on from
    // there could leave the place beyond the end of the text.
    void SkipRefused(std::size_t position)
    {
        if (p.position == static_cast<int>(position))
            ++p.position;
    }

    void UseVariable(char letter, TEditorObject* element, int position)
    {
        const std::uint32_t bit = VariableBit(letter);
        p.usedVariables |= bit;
        p.variablePositions.push_back(TXYPosition{element, position, 1, letter, 255});
        if (p.singleVariableMode)
            p.allowedVariables = bit;
    }

    // Declared names, then new or undefined names, at position.
    int TryNames(std::size_t position)
    {
        const std::string& text = p.text;
        if (p.declaredNames) {
            TDeclaredMatch match;
            if (MatchDeclaredName(*p.declaredNames, std::string_view(text).substr(position), match)) {
                p.position = static_cast<int>(position + match.length);
                if (p.definedName && (match.line->NameText() == *p.definedName ||
                                      match.line->Declaration().DependsOn(*p.definedName)))
                    SetErrorAt(p, ParseMessage::SelfReference, p.tokenElement, static_cast<int>(position));
                p.current.declaration = match.line;
                return match.token;
            }
        }
        if (!p.declaredNames)
            return tkNothing;
        const char first = text[position];
        if (!IsLetter(first) || first == 'e' || first == 'n' || first == 't' || first == 'x' || first == 'y')
            return tkNothing;
        std::size_t end = position + 1;
        while (end < text.size() && IsLetter(text[end]) && !KeywordAt(text, end, p.halfAndQuarterAllowed))
            ++end;
        std::string name = text.substr(position, end - position);
        if (IsDescriptionName(name)) {
            SetErrorAt(p, ParseMessage::ReservedName, p.tokenElement, static_cast<int>(position));
            p.position = static_cast<int>(end);
            return tkNothing;
        }
        if (p.wordsAllowed) {
            p.position = static_cast<int>(end);
            p.name = name;
            p.current.name = name;
            if (end < text.size() && text[end] == '(') {
                const auto close = text.find(')', end + 1);
                const std::size_t stop = close == std::string::npos ? text.size() : close;
                p.parameterName = text.substr(end + 1, stop - end - 1);
                p.position = static_cast<int>(close == std::string::npos ? stop : stop + 1);
                return tkNewFunction;
            }
            return tkNewName;
        }
        if (p.defineLater && p.undefinedNames) {
            // Trailing letters that are allowed variables belong to the formula (ax is a·x).
            while (name.size() > 1) {
                const char last = name.back();
                const bool variable =
                    (last == 'x' || last == 'y' || last == 't' || last == 'r' || last == 'n') &&
                    (p.allowedVariables & VariableBit(last));
                const bool parameter =
                    !p.parameterName.empty() && p.parameterName.size() == 1 && last == p.parameterName[0];
                if (!variable && !parameter)
                    break;
                name.pop_back();
            }
            p.position = static_cast<int>(position + name.size());
            if (std::find(p.undefinedNames->begin(), p.undefinedNames->end(), name) ==
                p.undefinedNames->end())
                p.undefinedNames->push_back(name);
            p.current.name = name;
            return tkUndefinedName;
        }
        return tkNothing;
    }

    int ScanNumber()
    {
        const std::string& text = p.text;
        const int start = p.position;
        std::string digits;
        bool point = false;
        bool anyDigit = false;
        bool twoPoints = false;
        auto position = static_cast<std::size_t>(p.position);
        while (position < text.size()) {
            const char c = text[position];
            if (std::isdigit(static_cast<unsigned char>(c))) {
                digits.push_back(c);
                anyDigit = true;
            } else if (c == DecimalPoint) {
                if (point) {
                    // A second point: the value restarts at 0 with a new fractional part.
                    twoPoints = true;
                    digits = "0";
                }
                point = true;
                digits.push_back('.');
            } else {
                break;
            }
            ++position;
        }
        p.position = static_cast<int>(position);
        Extended value = 0;
        if (twoPoints) {
            SetErrorAt(p, ParseMessage::TwoPoints, p.tokenElement, start);
        } else if (!anyDigit) {
            SetErrorAt(p, ParseMessage::NumberAfterPoint, p.tokenElement, start);
        } else {
            std::string normal = digits;
            if (normal.front() == '.')
                normal.insert(normal.begin(), '0');
            if (normal.back() == '.')
                normal.pop_back();
            long double parsed = 0;
            const auto result = std::from_chars(normal.data(), normal.data() + normal.size(), parsed);
            if (result.ec == std::errc() && parsed <= 1e35L) {
                value = parsed;
            } else {
                SetErrorAt(p, ParseMessage::TooBig, p.tokenElement, start);
                value = 0;
            }
        }
        p.current.number = value;
        return tkNumber;
    }

    // ---- operands ------------------------------------------------------

    class TDepthGuard {
    public:
        explicit TDepthGuard(TParseParams& params) : params_(params) { ++params_.depth; }
        ~TDepthGuard() { --params_.depth; }
        TDepthGuard(const TDepthGuard&) = delete;
        TDepthGuard& operator=(const TDepthGuard&) = delete;

    private:
        TParseParams& params_;
    };

    TPart Leaf(TEvaluatorPtr tree, bool nonConstant)
    {
        TPart part;
        part.tree = std::move(tree);
        part.nonConstant = nonConstant;
        part.branches = TreeHasBranches(part.tree.get());
        // A ready tree from an element (a fraction, an index, a root) is as tall as its cells made
        // it, so that nesting cannot pile up paths longer than the bound.
        part.height = TreeHeight(part.tree.get());
        CheckHeight(part);
        return part;
    }

    // A unary node over part.
    TPart Wrap(TEvaluatorPtr node, TPart&& part)
    {
        part.tree = std::move(node);
        part.height += 1;
        CheckHeight(part);
        return std::move(part);
    }

    TPart Combine(TEvaluatorPtr node, TPart&& left, const TPart& right)
    {
        left.tree = std::move(node);
        left.nonConstant = left.nonConstant || right.nonConstant;
        left.branches = left.branches || right.branches;
        left.height = 1 + std::max(left.height, right.height);
        CheckHeight(left);
        return std::move(left);
    }

    void CheckHeight(const TPart& part)
    {
        if (part.height > MaxTreeHeight)
            SetError(p, ParseMessage::NotUnderstood);
    }

    // Replaces a constant sub-expression by its value.
    void Fold(TPart& part)
    {
        if (HasError(p) || part.nonConstant || part.branches || part.tree->TokenCode() == tkConstant)
            return;
        std::uint8_t status = esNormal;
        const Extended value = EvaluateConstantPart(part.tree.get(), status);
        p.notPlainLiteral = true;
        const char* message = nullptr;
        if (status == esUndefined)
            message = ParseMessage::TooBig;
        else if (status == esInvalid)
            message = ParseMessage::Complex;
        else if (status == esNotWhole)
            message = ParseMessage::NotInteger;
        if (message) {
            SetErrorAt(p, message, part.startElement, part.startPosition);
            return;
        }
        part.tree = std::make_unique<TConstantEvaluator>(value);
    }

    TPart ParseOperand()
    {
        TDepthGuard guard(p);
        NextToken();
        const int code = p.current.code;
        TEditorObject* startElement = p.current.element;
        const int startPosition = p.current.position;
        TPart part = ParseOperandFor(code);
        part.startElement = startElement;
        part.startPosition = startPosition;
        Fold(part);
        return part;
    }

    TPart TooDeep()
    {
        SetError(p, ParseMessage::NotUnderstood);
        return Leaf(Placeholder(), true);
    }

    TPart ParseOperandFor(int code)
    {
        if (p.depth > MaxParseDepth && code != tkEnd)
            return TooDeep();
        switch (code) {
        case tkPlus:
            return ParseLevel(10);
        case tkMinus: {
            NextToken();
            const bool plainNumber = p.current.code == tkNumber;
            PushBack();
            const bool wasLiteral = !p.notPlainLiteral;
            TPart operand = ParseLevel(10);
            TPart result = Wrap(std::make_unique<TFunctionEvaluator>(fcNegate, std::move(operand.tree)),
                                std::move(operand));
            // A minus sign in front of a plain number keeps it a plain literal.
            if (plainNumber && wasLiteral && result.tree->TokenCode() == tkConstant)
                p.notPlainLiteral = false;
            return result;
        }
        case tkModulus: {
            ++p.modulusDepth;
            TPart inner = ParseLevel(1);
            --p.modulusDepth;
            return Wrap(std::make_unique<TFunctionEvaluator>(tkAbs, std::move(inner.tree)), std::move(inner));
        }
        case tkOpen:
            return ParseLevel(0);
        case tkE:
            p.notPlainLiteral = true;
            return Leaf(std::make_unique<TConstantEvaluator>(std::exp(1.0L)), false);
        case tkPi:
            p.notPlainLiteral = true;
            return Leaf(std::make_unique<TConstantEvaluator>(Pi), false);
        case tkExponential: {
            NextToken();
            if (p.current.code == tkIndex && p.current.tree) {
                TPart index = Leaf(std::move(p.current.tree), false);
                index.nonConstant = TreeIsNonConstant(index.tree.get());
                return Wrap(std::make_unique<TFunctionEvaluator>(tkExp, std::move(index.tree)),
                            std::move(index));
            }
            PushBack();
            p.notPlainLiteral = true;
            return Leaf(std::make_unique<TConstantEvaluator>(std::exp(1.0L)), false);
        }
        case tkPlusOrMinus: {
            TPart operand = ParseLevel(7);
            operand.branches = true;
            return Wrap(std::make_unique<TPlusOrMinusEvaluator>(std::move(operand.tree)), std::move(operand));
        }
        case tkNumber:
            return ParseNumberOperand();
        case tkHalf:
            return Leaf(std::make_unique<TConstantEvaluator>(0.5L), false);
        case tkQuarter:
            return Leaf(std::make_unique<TConstantEvaluator>(0.25L), false);
        case tkInt: {
            TPart argument = ParseArgument();
            return Wrap(std::make_unique<TIntEvaluator>(std::move(argument.tree)), std::move(argument));
        }
        case tkDeclaredConstant:
            return Leaf(MakeDeclaredConstantNode(static_cast<TDeclarationLine*>(p.current.declaration)),
                        true);
        case tkDeclaredFunction: {
            auto* line = static_cast<TDeclarationLine*>(p.current.declaration);
            TPart argument = ParseArgument();
            argument.nonConstant = true;
            return Wrap(MakeDeclaredFunctionNode(line, std::move(argument.tree)), std::move(argument));
        }
        case tkUndefinedName:
            return Leaf(std::make_unique<TConstantEvaluator>(0), true);
        case tkParameter:
            return Leaf(MakeParameterNode(), true);
        case tkOperand:
        case tkMatrix:
        case tkCoordinates:
            if (p.current.tree) {
                TEvaluatorPtr tree = std::move(p.current.tree);
                const bool nonConstant = code != tkOperand || TreeIsNonConstant(tree.get());
                if (IsWord(tree->TokenCode()))
                    WordCheck();
                return Leaf(std::move(tree), nonConstant);
            }
            // The description "Matrix" gives the matrix element's code without
            // a tree: where words are read it is the word that starts a
            // transformation line.
            if (p.wordsAllowed && IsWordEnding(code)) {
                p.wordEnded = true;
                return Leaf(std::make_unique<TTokenEvaluator>(code), true);
            }
            SetError(p, p.defaultMessage);
            return Leaf(Placeholder(), true);
        case tkEnd:
        case tkClose:
            SetError(p, p.defaultMessage);
            PushBack();
            return Leaf(Placeholder(), true);
        default:
            break;
        }
        if (code == tkModulus)
            return Leaf(Placeholder(), true);
        if (code >= vcX && code <= vcN)
            return ParseVariable(code);
        if (code >= tkSin && code <= tkCot)
            return ParseTrigonometric(code);
        if ((code >= 209 && code <= 218) || (code >= 220 && code <= 223)) {
            TPart argument = ParseArgument();
            return Wrap(std::make_unique<TFunctionEvaluator>(code, std::move(argument.tree)),
                        std::move(argument));
        }
        if (IsWordEnding(code)) {
            WordCheck();
            p.wordEnded = true;
            return Leaf(std::make_unique<TTokenEvaluator>(code), true);
        }
        if (IsWord(code)) {
            WordCheck();
            return Leaf(std::make_unique<TTokenEvaluator>(code), true);
        }
        if (!AfterError(code))
            SetError(p, p.defaultMessage);
        return Leaf(Placeholder(), true);
    }

    // The unusable token the lexer gives once an error is recorded.
    bool AfterError(int code) const { return code == tkNothing && HasError(p); }

    void WordCheck()
    {
        if (!p.wordsAllowed)
            SetError(p, ParseMessage::WordInMiddle);
    }

    TPart ParseVariable(int code)
    {
        if (code == vcTheta) {
            // theta comes from a symbol element, which the lexer does not check
            if (p.allowedVariables & avTheta)
                UseVariable('q', p.current.element, p.current.position);
            else
                SetErrorAt(p, ParseMessage::BadVariable, p.current.element, p.current.position);
        }
        if ((code == vcX || code == vcY) && p.fixedWordLine) {
            NextToken();
            if (p.current.code == tkAxis)
                return Leaf(std::make_unique<TTokenEvaluator>(code == vcX ? tkXAxisWord : tkYAxisWord), true);
            PushBack();
        }
        return Leaf(MakeVariable(code), true);
    }

    TPart ParseNumberOperand()
    {
        const Extended value = p.current.number;
        p.numberState = 1;
        TPart number = Leaf(std::make_unique<TConstantEvaluator>(value), false);
        // A fraction element directly after a number makes a mixed number.
        bool atTextEnd = true;
        if (p.textActive)
            for (std::size_t i = static_cast<std::size_t>(p.position); i < p.text.size(); ++i)
                if (p.text[i] != ' ')
                    atTextEnd = false;
        if (atTextEnd && IsWhole(value) && IsVulgarFraction(dynamic_cast<TFractionObject*>(NextNonBlank()))) {
            NextToken();
            if (p.current.code == tkOperand && p.current.tree) {
                p.numberState = 2;
                TPart fraction = Leaf(std::move(p.current.tree), false);
                fraction.nonConstant = TreeIsNonConstant(fraction.tree.get());
                return Combine(std::make_unique<TOperationEvaluator>(TOperation::Add, std::move(number.tree),
                                                                     std::move(fraction.tree)),
                               std::move(number), fraction);
            }
            PushBack();
        }
        return number;
    }

    TEditorObject* NextNonBlank() const { return NextNonBlankElement(p.nextElement); }

    // A fraction of two whole numbers, which after a whole number makes a
    // mixed number (2 1/2); any other fraction (2 x/2) is multiplied.
    [[nodiscard]] static bool IsVulgarFraction(TFractionObject* fraction)
    {
        if (!fraction)
            return false;
        for (int cell = 0; cell < 2; ++cell) {
            const std::string text = ElementsToText(fraction->Cell(cell));
            if (text.find_first_not_of(' ') == std::string::npos ||
                text.find_first_not_of("0123456789 ") != std::string::npos)
                return false;
        }
        return true;
    }

    // "(" expression ")" when a bracket follows, otherwise an operand at level 10.
    TPart ParseArgument()
    {
        NextToken();
        if (p.current.code == tkOpen) {
            if (p.depth > MaxParseDepth)
                return TooDeep();
            TDepthGuard guard(p);
            return ParseLevel(0);
        }
        PushBack();
        return ParseLevel(10);
    }

    TPart ParseTrigonometric(int code)
    {
        int function = code;
        int power = 1;
        NextToken();
        if (p.current.code == tkIndex && p.current.tree) {
            TEvaluatorPtr index = std::move(p.current.tree);
            TEditorObject* element = p.current.element;
            const bool constant = !TreeIsNonConstant(index.get());
            const Extended value = constant ? ResetAndEvaluate(index.get()) : 0;
            const bool failed = StatusFailed();
            ResetStatus();
            if (constant && !failed && value == -1) {
                function = code + 9; // the inverse: sin -> asin ... cot -> acot
            } else if (constant && !failed && value >= 1 && value == std::floor(value) && value < 1e9) {
                power = static_cast<int>(value);
            } else {
                SetErrorAt(p, ParseMessage::BadIndex, element, 0);
            }
        } else {
            PushBack();
        }
        TPart argument = ParseArgument();
        TEvaluatorPtr node;
        switch (function) {
        case tkTan:
            node = std::make_unique<TTanEvaluator>(std::move(argument.tree));
            break;
        case tkSec:
            node = std::make_unique<TSecEvaluator>(tkCos, std::move(argument.tree));
            break;
        case tkCosec:
            node = std::make_unique<TSecEvaluator>(tkSin, std::move(argument.tree));
            break;
        case tkCot:
            node = std::make_unique<TSecEvaluator>(tkTan, std::move(argument.tree));
            break;
        default:
            node = std::make_unique<TFunctionEvaluator>(function, std::move(argument.tree));
            break;
        }
        TPart result = Wrap(std::move(node), std::move(argument));
        if (power != 1) {
            TPart exponent = Leaf(std::make_unique<TConstantEvaluator>(power), false);
            result = Combine(std::make_unique<TOperationEvaluator>(TOperation::Power, std::move(result.tree),
                                                                   std::move(exponent.tree)),
                             std::move(result), exponent);
        }
        return result;
    }

    // ---- operators -----------------------------------------------------

    bool IsCloser(int code) const
    {
        return code == tkEnd || code == tkClose || (code == tkModulus && p.modulusDepth > 0);
    }

public:
    TPart ParseOperators(int level, TPart left)
    {
        for (;;) {
            if (p.wordEnded)
                return left;
            NextToken();
            const int code = p.current.code;
            if (IsCloser(code)) {
                if (level > 2) {
                    PushBack();
                    return left;
                }
                const int expected = level == 0 ? tkClose : level == 1 ? tkModulus : tkEnd;
                if (code == expected) {
                    if (level == 0)
                        ApplyIndexAfterBracket(left);
                    return left;
                }
                if (code == tkClose)
                    SetError(p, ParseMessage::LeftBracket);
                else if (code == tkModulus)
                    SetError(p, ParseMessage::ModulusSign);
                else if (level == 0)
                    SetError(p, ParseMessage::RightBracket);
                else if (level == 1)
                    SetError(p, ParseMessage::ModulusSign);
                else
                    SetError(p, p.defaultMessage);
                if (code == tkEnd)
                    PushBack();
                return left;
            }
            const int strength = Strength(code);
            if (strength <= level) {
                PushBack();
                // After an error every token is unusable: it ends the
                // expression without moving the recorded place.
                if (level <= 2 && !AfterError(code))
                    SetError(p, p.defaultMessage);
                return left;
            }
            left = ApplyOperator(code, strength, std::move(left));
            Fold(left);
        }
    }

private:
    void ApplyIndexAfterBracket(TPart& left)
    {
        NextToken();
        if (p.current.code == tkIndex && p.current.tree) {
            TPart index = Leaf(std::move(p.current.tree), false);
            index.nonConstant = TreeIsNonConstant(index.tree.get());
            // Not folded here: the operand that holds the bracket folds it,
            // so that an error names where the bracket starts.
            left = Combine(std::make_unique<TOperationEvaluator>(TOperation::Power, std::move(left.tree),
                                                                 std::move(index.tree)),
                           std::move(left), index);
            return;
        }
        PushBack();
    }

    TPart Binary(TOperation operation, TPart left, int rightLevel)
    {
        TPart right = ParseLevel(rightLevel);
        auto node =
            std::make_unique<TOperationEvaluator>(operation, std::move(left.tree), std::move(right.tree));
        return Combine(std::move(node), std::move(left), right);
    }

    TPart ApplyOperator(int code, int strength, TPart left)
    {
        switch (code) {
        case tkPlus:
            return Binary(TOperation::Add, std::move(left), 7);
        case tkMinus:
            return Binary(TOperation::Subtract, std::move(left), 7);
        case tkTimes:
            return Binary(TOperation::Multiply, std::move(left), 8);
        case tkPower:
            return Binary(TOperation::Power, std::move(left), 12);
        case tkWholePower:
            return Binary(TOperation::Power, std::move(left), 0);
        case tkDivide: {
            TPart right = ParseLevel(8);
            auto node = std::make_unique<TDivideEvaluator>(std::move(left.tree), std::move(right.tree));
            return Combine(std::move(node), std::move(left), right);
        }
        case tkPlusOrMinus: {
            TPart right = ParseLevel(7);
            auto sign = std::make_unique<TPlusOrMinusEvaluator>(std::move(right.tree));
            right.height += 1;
            right.branches = true;
            auto node =
                std::make_unique<TOperationEvaluator>(TOperation::Add, std::move(left.tree), std::move(sign));
            return Combine(std::move(node), std::move(left), right);
        }
        case tkIndex: {
            TPart index = Leaf(std::move(p.current.tree), false);
            if (!index.tree)
                index.tree = Placeholder();
            index.nonConstant = TreeIsNonConstant(index.tree.get());
            auto node = std::make_unique<TOperationEvaluator>(TOperation::Power, std::move(left.tree),
                                                              std::move(index.tree));
            return Combine(std::move(node), std::move(left), index);
        }
        case tkFactorial:
            return Wrap(std::make_unique<TFunctionEvaluator>(fcFactorial, std::move(left.tree)),
                        std::move(left));
        default: {
            // Implicit multiplication: the next operand binds at the token's strength.
            PushBack();
            TPart right = ParseOperators(strength, ParseOperand());
            auto node = std::make_unique<TOperationEvaluator>(TOperation::Multiply, std::move(left.tree),
                                                              std::move(right.tree));
            return Combine(std::move(node), std::move(left), right);
        }
        }
    }

public:
    bool endedAtTerminator = false;
};

} // namespace

TEditorObject* NextNonBlankElement(TEditorObject* from)
{
    for (TEditorObject* element = from; element; element = element->next) {
        if (auto* run = dynamic_cast<TStringEditObject*>(element)) {
            if (run->Text().find_first_not_of(' ') != std::string::npos)
                return element;
        } else if (typeid(*element) != typeid(TEditorObject)) {
            return element;
        }
    }
    return nullptr;
}

TTerminatorSet EndOrTabTerminators()
{
    TTerminatorSet set;
    set[0] = true;
    set[9] = true;
    return set;
}

TTerminatorSet RelationTerminators()
{
    TTerminatorSet set;
    set['<'] = true;
    set['='] = true;
    set['>'] = true;
    set[0xA3] = true;
    set[0xB3] = true;
    return set;
}

void SetErrorAt(TParseParams& params, const char* message, TEditorObject* element, int position)
{
    if (params.error.message && params.error.message != ParseMessage::NotUnderstood &&
        std::string_view(params.error.message) != ParseMessage::NotUnderstood)
        return;
    ForceErrorAt(params, message, element, position);
}

void SetError(TParseParams& params, const char* message)
{
    SetErrorAt(params, message, params.tokenElement, params.current.position);
}

void ForceErrorAt(TParseParams& params, const char* message, TEditorObject* element, int position)
{
    params.error.message = message;
    params.error.element = element;
    params.error.position = position;
}

void ForceError(TParseParams& params, const char* message)
{
    ForceErrorAt(params, message, params.tokenElement, params.position);
}

void ClearError(TParseParams& params)
{
    params.error = TParseError{};
    ResetStatus();
}

void StartParse(TParseParams& params, TEditorObject* first, std::uint32_t allowedVariables,
                std::vector<std::string>* undefinedNames, bool singleVariableMode,
                const TTerminatorSet& terminators, int startPosition)
{
    const auto* declared = params.declaredNames;
    const bool defineLater = params.defineLater;
    const bool warningBoxes = params.warningBoxes;
    params = TParseParams{};
    params.declaredNames = declared;
    params.defineLater = defineLater;
    params.warningBoxes = warningBoxes;
    params.nextElement = first;
    params.tokenElement = first;
    params.position = startPosition;
    params.allowedVariables = allowedVariables;
    params.undefinedNames = undefinedNames;
    params.singleVariableMode = singleVariableMode;
    params.terminators = terminators;
    ClearError(params);
}

TEvaluatorPtr ParseExpression(TParseParams& params)
{
    params.wordEnded = false;
    TParser parser(params);
    TPart part = parser.ParseLevel(2);
    if (parser.endedAtTerminator && params.textActive &&
        params.position < static_cast<int>(params.text.size()))
        ++params.position;
    params.pushedBack = false;
    params.current = TToken{};
    return part.tree ? std::move(part.tree) : Placeholder();
}

TEvaluatorPtr ParseNext(TParseParams& params)
{
    params.nonConstant = false;
    return ParseExpression(params);
}

TEvaluatorPtr ParseCell(TParseParams& params, TEditorObject* list, TEditorObject* owner)
{
    if (!list || ListIsEmpty(list)) {
        SetErrorAt(params, ParseMessage::EmptyCell, owner ? owner : params.tokenElement, 0);
        return std::make_unique<TConstantEvaluator>(0);
    }
    if (params.depth > MaxParseDepth) {
        SetError(params, ParseMessage::NotUnderstood);
        return Placeholder();
    }
    // Save the place in the outer list; the cell is read with the same state.
    TEditorObject* nextElement = params.nextElement;
    TEditorObject* tokenElement = params.tokenElement;
    const int position = params.position;
    std::string text = std::move(params.text);
    const bool textActive = params.textActive;
    const bool firstElement = params.firstElement;
    TToken current = std::move(params.current);
    const bool pushedBack = params.pushedBack;
    const bool wordEnded = params.wordEnded;
    const bool endIsNormal = params.terminators[0];
    const int modulusDepth = params.modulusDepth;

    params.nextElement = list;
    params.tokenElement = list;
    params.position = 0;
    params.text.clear();
    params.textActive = false;
    params.firstElement = false;
    params.pushedBack = false;
    params.terminators[0] = true;
    params.modulusDepth = 0;
    ++params.depth;
    TEvaluatorPtr tree = ParseExpression(params);
    --params.depth;

    params.nextElement = nextElement;
    params.tokenElement = tokenElement;
    params.position = position;
    params.text = std::move(text);
    params.textActive = textActive;
    params.firstElement = firstElement;
    params.current = std::move(current);
    params.pushedBack = pushedBack;
    params.wordEnded = wordEnded;
    params.terminators[0] = endIsNormal;
    params.modulusDepth = modulusDepth;
    return tree;
}

Extended EvaluateConstant(TParseParams& params)
{
    const std::uint32_t allowed = params.allowedVariables;
    const TTerminatorSet terminators = params.terminators;
    params.allowedVariables = 0;
    params.terminators = EndOrTabTerminators();
    TEvaluatorPtr tree = ParseNext(params);
    params.allowedVariables = allowed;
    params.terminators = terminators;
    if (HasError(params))
        return 0;
    const Extended value = ResetAndEvaluate(tree.get());
    ResetStatus();
    return value;
}

Extended ReadWholeNumber(TParseParams& params, bool positiveOnly)
{
    TEditorObject* element = params.nextElement ? params.nextElement : params.tokenElement;
    const int position = params.textActive ? params.position : 0;
    if (params.textActive)
        element = params.tokenElement;
    const Extended value = EvaluateConstant(params);
    if (HasError(params))
        return 0;
    if (value != std::floor(value))
        SetErrorAt(params, ParseMessage::NotInteger, element, position);
    else if (positiveOnly && value < 0)
        SetErrorAt(params, ParseMessage::NotPositive, element, position);
    return std::nearbyint(value);
}

int PeekWord(TParseParams& params)
{
    const bool elementsRemain =
        params.nextElement || (params.textActive && params.position < static_cast<int>(params.text.size()));
    if (HasError(params) || !elementsRemain)
        return tkNothing;
    const bool wordsAllowed = params.wordsAllowed;
    params.wordsAllowed = true;
    TEvaluatorPtr tree = ParseExpression(params);
    params.wordsAllowed = wordsAllowed;
    return tree->TokenCode();
}

bool ExpectWord(TParseParams& params, int token, const char* message)
{
    if (PeekWord(params) == token)
        return true;
    ForceError(params, message);
    return false;
}

void FinishParse(TParseParams& params)
{
    params.variablePositions.clear();
}

TEvaluatorPtr ParseConstantText(TEditorObject* textElement)
{
    TParseParams params;
    StartParse(params, textElement, avX, nullptr, false, EndOrTabTerminators());
    return ParseCell(params, textElement);
}

const std::vector<TKeyword>& Keywords()
{
    return keywordTable;
}

std::string_view KeywordName(int code)
{
    for (const TKeyword& keyword : keywordTable)
        if (keyword.code == code)
            return RequiredPart(keyword.entry);
    return {};
}
