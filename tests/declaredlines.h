// Lines that declare a constant or a function, for the tests of the layers
// below equation entry (entry makes the real declaration lines, which are
// curve objects). The parser finds them through TDeclarationLine exactly as it
// finds entry's lines.
#pragma once

#include "expr/declarations.h"
#include "formula/equationobject.h"

#include <memory>
#include <string_view>
#include <utility>

class TTestDeclarationLine : public TEquationObject, public TDeclarationLine {
public:
    TTestDeclarationLine(std::unique_ptr<TDeclaredName> declaration, int token)
        : declaration_(std::move(declaration)), token_(token)
    {
    }
    [[nodiscard]] int DeclarationToken() const override { return token_; }
    [[nodiscard]] TDeclaredName& Declaration() const override { return *declaration_; }
    [[nodiscard]] bool DependsOn(std::string_view name) const override
    {
        return declaration_->DependsOn(name);
    }
    void DrawOnGraph(Canvas&, TGraphParams&) override {}
    void WriteTo(TMathsWriter&) const override {}

private:
    std::unique_ptr<TDeclaredName> declaration_;
    int token_;
};

// k = value.
class TTestConstantLine : public TTestDeclarationLine {
public:
    TTestConstantLine(std::string_view name, TRealReaderPtr value)
        : TTestDeclarationLine(std::make_unique<TDeclaredConstant>(name, std::move(value)), 310)
    {
    }
    [[nodiscard]] TDeclaredConstant& Constant() const
    {
        return static_cast<TDeclaredConstant&>(Declaration());
    }
    // Shows a family of memberCount members stepping by step, as the constant line's family fields do.
    void SetFamily(int memberCount, TRealReaderPtr step)
    {
        Constant().SetStep(std::move(step));
        FamilySet(memberCount, &Constant());
    }
};

// f(x) = definition, the definition in terms of the parameter node.
class TTestFunctionLine : public TTestDeclarationLine {
public:
    TTestFunctionLine(std::string_view name, TEvaluatorPtr definition)
        : TTestDeclarationLine(std::make_unique<TDeclaredFunction>(name, std::move(definition)), 315)
    {
    }
    [[nodiscard]] TDeclaredFunction& Function() const
    {
        return static_cast<TDeclaredFunction&>(Declaration());
    }
};

inline std::unique_ptr<TTestConstantLine> MakeConstantLine(std::string_view name, TRealReaderPtr value)
{
    return std::make_unique<TTestConstantLine>(name, std::move(value));
}
