// Declared constants and functions. A line such as k = 5 or f(x) = x² + 1
// declares a name that every other formula may use; the declaration lives
// in its line, and evaluation nodes only refer to it, so re-entering a
// declaration exchanges contents rather than replacing the object and every
// formula that uses the name follows at once. Constants are dynamic: the
// constant editor and the guide channel change their values, and a constant
// can carry a family so that each curve using it is drawn once per member.
#pragma once

#include "expr/compiledformula.h"
#include "expr/evaluator.h"
#include "expr/realreader.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TEquationObject;

class TDeclaredName {
public:
    explicit TDeclaredName(std::string_view name);
    virtual ~TDeclaredName() = default;
    TDeclaredName(const TDeclaredName&) = delete;
    TDeclaredName& operator=(const TDeclaredName&) = delete;

    // Exchanges contents with a declaration of the same kind; answers whether it did.
    virtual bool Exchange(TDeclaredName& other) = 0;
    // True when the value or definition refers to the name.
    [[nodiscard]] virtual bool DependsOn(std::string_view name) const = 0;
    // The name, lower-cased.
    [[nodiscard]] const std::string& Name() const { return name_; }

protected:
    std::string name_;
};

class TDeclaredConstant : public TDeclaredName {
public:
    // The step starts as |value| / 10, or 0.1 for a value of 0.
    TDeclaredConstant(std::string_view name, TRealReaderPtr value);
    bool Exchange(TDeclaredName& other) override;
    [[nodiscard]] bool DependsOn(std::string_view name) const override;

    [[nodiscard]] Extended Value() const { return value_->Value(); }
    [[nodiscard]] TRealReader& ValueObject() const { return *value_; }
    void SetValueObject(TRealReaderPtr value) { value_ = std::move(value); }
    [[nodiscard]] TRealReader& Step() const { return *step_; }
    void SetStep(TRealReaderPtr step) { step_ = std::move(step); }
    void SwapSteps(TDeclaredConstant& other) { std::swap(step_, other.step_); }

private:
    TRealReaderPtr value_;
    TRealReaderPtr step_;
};

class TDeclaredFunction : public TDeclaredName {
public:
    // definition is in terms of the parameter node.
    TDeclaredFunction(std::string_view name, TEvaluatorPtr definition);
    // Exchanges definitions; each keeps its compiled form.
    bool Exchange(TDeclaredName& other) override;
    [[nodiscard]] bool DependsOn(std::string_view name) const override;
    [[nodiscard]] TEvaluator* Definition() const { return definition_.get(); }
    // SafeEvaluate (Definition ()) at the current parameter value, through
    // the definition's compiled form.
    [[nodiscard]] Extended EvaluateDefinition() { return compiled_.Evaluate(definition_.get()); }
    // Counts the exchanges of the definition, so that the nodes using the
    // function know when their memory stores point into a freed tree.
    [[nodiscard]] unsigned Generation() const { return generation_; }

private:
    TEvaluatorPtr definition_;
    TCompiledFormula compiled_;
    unsigned generation_ = 0;
};

// ---- evaluation nodes ------------------------------------------------------

class TDeclaredConstantEvaluator : public TEvaluator {
public:
    explicit TDeclaredConstantEvaluator(TDeclaredConstant* constant) : constant_(constant) {}
    [[nodiscard]] Extended Evaluate() override;
    [[nodiscard]] int TokenCode() const override { return 310; }
    [[nodiscard]] bool DependsOn(std::string_view name) const override;
    void Analyse(TFormulaAnalysis& analysis) override;
    void WriteTo(TMathsWriter& writer) const override;
    [[nodiscard]] TDeclaredConstant* Constant() const { return constant_; }

private:
    TDeclaredConstant* constant_; // borrowed from its declaration line
};

class TDeclaredFunctionEvaluator : public TUnaryEvaluator {
public:
    // operand is the argument tree.
    TDeclaredFunctionEvaluator(TDeclaredFunction* function, TEvaluatorPtr operand);
    // Evaluates the definition with the parameter set to value, keeping this
    // use's own discontinuity state and restoring the outer parameter.
    Extended Apply(Extended value) override;
    [[nodiscard]] int TokenCode() const override { return 315; }
    [[nodiscard]] bool DependsOn(std::string_view name) const override;
    void Analyse(TFormulaAnalysis& analysis) override;
    void WriteName(TMathsWriter& writer) const override;
    [[nodiscard]] TDeclaredFunction* Function() const { return function_; }

private:
    // Collects the stores again when the definition was exchanged since.
    void RefreshStores();
    void SwapStores();

    TDeclaredFunction* function_; // borrowed from its declaration line
    std::vector<std::unique_ptr<TMemoryStore>> stores_;
    unsigned storesGeneration_ = 0;
};

// The parameter inside a declared function's definition; written as "x"
// whatever it was called when the function was declared.
class TDeclaredFunctionParameter : public TEvaluator {
public:
    [[nodiscard]] Extended Evaluate() override { return ParameterValue; }
    void WriteTo(TMathsWriter& writer) const override;
};

// A line of the equations list that declares a name: entry's constant and
// function lines. The parser finds declared names through this interface, so
// evaluation does not depend on the curve classes that carry the lines.
class TDeclarationLine {
public:
    virtual ~TDeclarationLine() = default;
    // 310 for a constant, 315 for a function.
    [[nodiscard]] virtual int DeclarationToken() const = 0;
    [[nodiscard]] virtual TDeclaredName& Declaration() const = 0;
    // The declared name, lower-cased.
    [[nodiscard]] const std::string& NameText() const { return Declaration().Name(); }
};

// The declaration line whose name starts text (first match in list order).
struct TDeclaredMatch {
    TDeclarationLine* line = nullptr;
    int token = 0;
    std::size_t length = 0;
};
[[nodiscard]] bool MatchDeclaredName(const std::vector<TEquationObject*>& lines, std::string_view text,
                                     TDeclaredMatch& match);
// Nodes for the parser.
[[nodiscard]] TEvaluatorPtr MakeDeclaredConstantNode(TDeclarationLine* line);
[[nodiscard]] TEvaluatorPtr MakeDeclaredFunctionNode(TDeclarationLine* line, TEvaluatorPtr argument);
[[nodiscard]] TEvaluatorPtr MakeParameterNode();

// ---- families --------------------------------------------------------------

// One family at a time, program-wide; each thread iterates its own copy (a
// worker computing a curve starts from the state of the thread that started it).
struct TFamilyState {
    int extraMembers = 0;                        // member count - 1
    const TDeclaredConstant* constant = nullptr; // the family constant, or none
    std::string name;                            // its name
    int memberIndex = 0;
    bool used = false; // the family constant was evaluated
    bool held = false; // an outer drawing owns the iteration
};
inline thread_local TFamilyState Family;

// Starts the drawing of a curve: unless held, member 0 with the used flag clear.
void FamilyStart();
// Moves to the next member; true while there is one and the curve used the constant.
[[nodiscard]] bool FamilyNext();
// Lets an object drawn on top of another curve keep the iteration: held := used.
bool FamilyHold();
[[nodiscard]] bool FamilyNextHeld();
[[nodiscard]] bool FamilyNextUnheld();
// Shows a family of memberCount members of constant (ending any other first).
void FamilySet(int memberCount, const TDeclaredConstant* constant);
void FamilyEnd();
// Run at idle: a family of one member ends.
void FamilyIdleCheck();
