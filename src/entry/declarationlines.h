// The lines that declare names: a constant line (k = 5, with its step and
// family fields) and a function line (f(x) = x² + 1). They are lines of the
// equations list that draw nothing; the declaration itself lives in expr,
// where every formula that uses the name refers to it. Also the lines that
// wait for names not declared yet.
#pragma once

#include "expr/declarations.h"
#include "formula/editor.h"
#include "plot/curveplotter.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

// ---- declaration lines -----------------------------------------------------

class TDeclaredNameEquation : public TCurvePLotter, public TDeclarationLine {
public:
    explicit TDeclaredNameEquation(std::unique_ptr<TDeclaredName> declaration);
    [[nodiscard]] std::uint32_t PropertyFlags() const override
    {
        return TCurvePLotter::PropertyFlags() | 0x8000;
    }
    void DrawOnGraph(Canvas& canvas, TGraphParams& params) override;
    [[nodiscard]] bool UsesLineStore() const override { return false; }
    // The text of the line for the document record.
    [[nodiscard]] virtual std::string WriteDefinition() const = 0;
    // The same text through a document writer.
    void WriteDefinition(TMathsWriter& writer) const override;
    // Keeps this object on re-entry: a line of the same class declaring the
    // same name exchanges declarations with it.
    bool SwapFormula(TEquationObject& other) override;
    [[nodiscard]] bool DependsOn(std::string_view name) const override;

    [[nodiscard]] TDeclaredName& Declaration() const override { return *declaration_; }

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

    // A constant whose family is shown takes the family with it: nothing
    // may go on pointing at it.
    ~TDynamicConstantEquation() override;

    [[nodiscard]] int DeclarationToken() const override { return 310; }
    // Keeps this line on re-entry (see TDeclaredNameEquation); the family
    // the new text gave, or left out, goes with the values.
    bool SwapFormula(TEquationObject& other) override;
    using TDeclaredNameEquation::WriteDefinition;
    // name "=" value; the document record adds the step.
    [[nodiscard]] std::string WriteDefinition() const override;
    void WriteTo(TMathsWriter& writer) const override;
    [[nodiscard]] TDeclaredConstant& Constant() const
    {
        return static_cast<TDeclaredConstant&>(*declaration_);
    }
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
    // The declaration as written, followed by the filled family fields while
    // this constant's family is shown, so that the family is read back.
    void WriteDisplayedLine(TMathsWriter& writer) const override;
};

class TDeclaredFunctionEquation : public TDeclaredNameEquation {
public:
    TDeclaredFunctionEquation(std::string_view name, TEvaluatorPtr definition);
    [[nodiscard]] int DeclarationToken() const override { return 315; }
    using TDeclaredNameEquation::WriteDefinition;
    // name "(x)=" and the definition's markup.
    [[nodiscard]] std::string WriteDefinition() const override;
    [[nodiscard]] TDeclaredFunction& Function() const
    {
        return static_cast<TDeclaredFunction&>(*declaration_);
    }

protected:
    // The record keeps the line as it was typed: the definition's markup
    // rounds its numbers (1/3 to 0.33333333, which is no longer an odd root).
    void WriteDisplayedLine(TMathsWriter& writer) const override;
};

// 0 until the first dynamic constant line is made, then 1; the main window
// shows the Dynamic toolbar once and sets it to 2.
inline int DynamicToolbarState = 0;

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
