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
#include "formula/editor.h"
#include "plot/curveplotter.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

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

// ---- declaration lines -----------------------------------------------------

class TDeclaredNameEquation : public TCurvePLotter {
public:
    explicit TDeclaredNameEquation(std::unique_ptr<TDeclaredName> declaration);
    [[nodiscard]] std::uint32_t PropertyFlags() const override { return TCurvePLotter::PropertyFlags() | 0x8000; }
    void DrawOnGraph(Canvas& canvas, TGraphParams& params) override;
    [[nodiscard]] bool UsesLineStore() const override { return false; }
    // 310 for a constant, 315 for a function.
    [[nodiscard]] virtual int DeclarationToken() const = 0;
    // The text of the line for the document record.
    [[nodiscard]] virtual std::string WriteDefinition() const = 0;
    // The same text through a document writer.
    void WriteDefinition(TMathsWriter& writer) const override;
    // Keeps this object on re-entry: a line of the same class declaring the
    // same name exchanges declarations with it.
    bool SwapFormula(TEquationObject& other) override;
    [[nodiscard]] bool DependsOn(std::string_view name) const override;

    [[nodiscard]] const std::string& NameText() const { return declaration_->Name(); }
    [[nodiscard]] TDeclaredName& Declaration() const { return *declaration_; }

protected:
    // The record shows the declaration as written (without family fields).
    void WriteDisplayedLine(TMathsWriter& writer) const override { WriteDefinition(writer); }

    std::unique_ptr<TDeclaredName> declaration_;
};

class TDynamicConstantEquation : public TDeclaredNameEquation {
public:
    // A line declaring name with value; the first such line makes the
    // Dynamic toolbar due.
    static std::unique_ptr<TDynamicConstantEquation> Create(std::string_view name, TRealReaderPtr value);

    [[nodiscard]] int DeclarationToken() const override { return 310; }
    using TDeclaredNameEquation::WriteDefinition;
    // name "=" value; the document record adds the step.
    [[nodiscard]] std::string WriteDefinition() const override;
    void WriteTo(TMathsWriter& writer) const override;
    [[nodiscard]] TDeclaredConstant& Constant() const { return static_cast<TDeclaredConstant&>(*declaration_); }
    // Rebuilds the line's elements from the current value (after the
    // constant editor or the guide channel changed it).
    void RebuildLine();
    // Exchanges steps with other when it is a dynamic constant line.
    void AdoptStep(TEquationObject* other);
    // Replaces the step and shows a family of memberCount members.
    void SetFamily(int memberCount, TRealReaderPtr step);
    // When name is this constant's, removes the family fields from the line;
    // answers whether the name matched.
    bool EndFamilyDisplay(std::string_view name);
    // The family fields: "  (family of", count, ", step", step, ")"; empty
    // cells unless filled.
    [[nodiscard]] TEditorObject* FamilyFields(bool filled) const;

protected:
    using TDeclaredNameEquation::TDeclaredNameEquation;
};

class TDeclaredFunctionEquation : public TDeclaredNameEquation {
public:
    TDeclaredFunctionEquation(std::string_view name, TEvaluatorPtr definition);
    [[nodiscard]] int DeclarationToken() const override { return 315; }
    using TDeclaredNameEquation::WriteDefinition;
    // name "(x)=" and the definition's markup.
    [[nodiscard]] std::string WriteDefinition() const override;
    [[nodiscard]] TDeclaredFunction& Function() const { return static_cast<TDeclaredFunction&>(*declaration_); }

protected:
    // The record keeps the line as it was typed: the definition's markup
    // rounds its numbers (1/3 to 0.33333333, which is no longer an odd root).
    void WriteDisplayedLine(TMathsWriter& writer) const override;
};

// The declaration line whose name starts text (first match in list order).
struct TDeclaredMatch {
    TDeclaredNameEquation* line = nullptr;
    int token = 0;
    std::size_t length = 0;
};
[[nodiscard]] bool MatchDeclaredName(const std::vector<TEquationObject*>& lines, std::string_view text,
                                     TDeclaredMatch& match);
// Nodes for the parser.
[[nodiscard]] TEvaluatorPtr MakeDeclaredConstantNode(TDeclaredNameEquation* line);
[[nodiscard]] TEvaluatorPtr MakeDeclaredFunctionNode(TDeclaredNameEquation* line, TEvaluatorPtr argument);
[[nodiscard]] TEvaluatorPtr MakeParameterNode();

// 0 until the first dynamic constant line is made, then 1; the main window
// shows the Dynamic toolbar once and sets it to 2.
inline int DynamicToolbarState = 0;

// ---- families --------------------------------------------------------------

// One family at a time, program-wide.
struct TFamilyState {
    int extraMembers = 0;                     // member count - 1
    const TDeclaredConstant* constant = nullptr; // the family constant, or none
    std::string name;                         // its name
    int memberIndex = 0;
    bool used = false;                        // the family constant was evaluated
    bool held = false;                        // an outer drawing owns the iteration
};
inline TFamilyState Family;

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

// ---- lines waiting for names ------------------------------------------------

class TNeedsDefinitions;

// The red italic note at the end of a waiting line; tidying removes it.
class TErrorEditObject : public TEditorObject {
public:
    explicit TErrorEditObject(const TNeedsDefinitions* line) : line_(line) {}
    bool TidySelf(TEditor* line, int mode) override;
    void Paint(Canvas& canvas, TPaintContext& context) override;
    [[nodiscard]] const TNeedsDefinitions* Line() const { return line_; }

private:
    const TNeedsDefinitions* line_; // borrowed: the line holding this element
};

// A formula line whose formula uses names not yet declared. It is not drawn;
// when the declarations change the main window classifies it again.
class TNeedsDefinitions : public TEditor {
public:
    // Takes over object's elements, which it frees, and appends the note.
    TNeedsDefinitions(std::unique_ptr<TEquationObject> object, const std::vector<std::string>& names);
    void ShowDragHandles(bool show) override;
    // Every line whose parent is this one gets newParent.
    void ReparentDependants(const std::vector<TEquationObject*>& lines, TEquationObject* newParent);
    [[nodiscard]] const std::string& NamesText() const { return names_; }
    [[nodiscard]] const std::string& NoteText() const { return note_; }

private:
    std::string names_;
    std::string note_;
    bool firstShow_ = true;
};
