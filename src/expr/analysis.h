// The facts that equation entry, the curves and dragging read from an
// evaluation tree (its polynomial degree, linear forms, the variables and
// whether they can be made the subject, the choice of ± branches), and the
// record through which a tree is inverted towards one of its variables.
#pragma once

#include "expr/evaluator.h"

#include <cstdint>
#include <string>

// One variable's entry of the analysis.
struct TVariableEntry {
    std::uint16_t count = 0;  // occurrences met
    bool invertible = true;   // no occurrence lies below a node that hides it from inversion
    bool occurs = false;      // occurs in the operand currently analysed
    std::uint16_t code = vcX; // 300 for x, 301 for y
    std::uint8_t depth = 0;   // number of powers above its occurrences
    // In an inequality, an occurrence is multiplied or divided by a factor
    // holding a declared constant, whose sign may change after entry.
    bool behindDeclaredFactor = false;
};

// A term described as multiplier * variable + offset.
struct TLinearForm {
    Extended multiplier = 0;
    Extended offset = 0;
};

// The term indexes that select the current linear form: the first describes
// the innermost linear expression, the second the one around the outermost
// function.
enum : std::uint8_t { tiInner = 120, tiOuter = 121 };

struct TFormulaAnalysis {
    std::int16_t nonLinearDepth = 0; // operations other than + - * around the node being analysed
    std::int16_t variableNodes = 0;
    bool singleVariable = true;              // one variable node, met only inside + - *
    bool evenPowersBlocked = false;          // an even constant power hides its base from inversion
    std::int32_t branchSelector = INT32_MAX; // bits taken by ± nodes, lowest first; 1 means minus
    std::int32_t branchCount = 1;            // doubled by every ± node
    TVariableEntry xEntry{0, true, false, vcX, 0};
    TVariableEntry yEntry{0, true, false, vcY, 0};
    std::int32_t degree = 0;      // negative after division by a non-constant
    std::int32_t powerDegree = 0; // exponent * base degree of the last constant whole power
    std::uint8_t termIndex = tiInner;
    TLinearForm linearForms[2];
    std::string description;        // markup of the outermost function, e.g. "{sqrt{" or "sin"
    std::string descriptionEnd;     // markup that closes the description: "|", "}" or nothing
    std::int32_t functionCount = 0; // operations met that break a linear form
    Extended constantValue = 0;
    bool constantFlag = false;
    bool declaredFlag = false; // the constant holds a declared constant, whose value may change

    // The linear form selected by the term index.
    [[nodiscard]] TLinearForm& CurrentForm() { return linearForms[termIndex == tiOuter ? 1 : 0]; }
    [[nodiscard]] const TLinearForm& CurrentForm() const { return linearForms[termIndex == tiOuter ? 1 : 0]; }
    // The entry of a variable code, or nullptr for variables without one (t, θ, r, n).
    [[nodiscard]] TVariableEntry* EntryFor(int code);
};

// The facts of one operand of a binary node, handed to CombineAnalysis.
struct TOperandFacts {
    std::int32_t degree = 0;
    bool constant = false;
    bool declared = false; // a constant holding a declared constant
    Extended value = 0;
    bool occurs[2] = {false, false}; // x, y occur in the operand
};

// Puts the record into its start state.
void StartAnalysis(TFormulaAnalysis& analysis, bool evenPowersBlocked);

// Starts the record and analyses the tree (nullptr allowed). A constant tree
// leaves its value as the offset of the current linear form.
void AnalyseTree(TEvaluator* tree, TFormulaAnalysis& analysis, bool evenPowersBlocked);

// The number of ± branches of the tree (1 without ±). Sets every ± node to minus.
[[nodiscard]] int CountBranches(TEvaluator* tree);

// Analyses the tree selecting branch (1 to branchCount): each ± node takes
// its sign from the selector branchCount - branch, so that branch 1 of a
// single ± is the minus curve and branch 2 the plus curve.
void SelectBranch(TEvaluator* tree, TFormulaAnalysis& analysis, int branch, int branchCount,
                  bool evenPowersBlocked);

// Inversion. The caller sets the variable, calls InvertTowards on the tree and,
// when it answers true, puts the other side of the equation into the hole.
// The other operands along the path are moved out of the original tree,
// which is to be freed afterwards.
struct TInversionRecord {
    TEvaluatorPtr root;            // the inverse tree being built
    TEvaluatorPtr* hole = nullptr; // the empty slot in it where the value to invert goes
    int variable = vcX;            // the variable to isolate
    bool reversed = false;         // the relation turns round (a - v, a / v, -v)
};

// Inverts tree towards variable and fills the hole with otherSide. Answers
// the inverse tree, or nullptr (otherSide dropped) when the variable does not
// occur; reversed tells whether an inequality turns round.
[[nodiscard]] TEvaluatorPtr InvertTree(TEvaluator& tree, int variable, TEvaluatorPtr otherSide,
                                       bool& reversed);
