// The root classes shared by every formula element, evaluation node and
// equation line: TCalculatedObject (writes itself to a document, knows which
// declared names it depends on), TDrawObject (paints itself, has a markup
// tag, property bits and an optional own font) and TParseObject (hands the
// parser its tokens).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class TMathsWriter;
class TEvaluator;
struct TParseParams;
class QFont;
class Canvas;
struct TPaintContext;

class TCalculatedObject {
public:
    virtual ~TCalculatedObject() = default;
    // Writes the object's text form (for elements: its markup).
    virtual void WriteTo(TMathsWriter& writer) const = 0;
    // True when the object refers, directly or through a definition, to the
    // declared name (compared without regard to case).
    [[nodiscard]] virtual bool DependsOn(std::string_view name) const;
    // Hook that curve classes override.
    virtual void CurveHook() {}
};

class TDrawObject : public TCalculatedObject {
public:
    TDrawObject() = default;
    ~TDrawObject() override;
    TDrawObject(const TDrawObject&) = delete;
    TDrawObject& operator=(const TDrawObject&) = delete;

    // Draws the object at the canvas pen position.
    virtual void Paint(Canvas& canvas, TPaintContext& context);
    // The keyword under which the class is written in markup (empty: none).
    [[nodiscard]] virtual std::string_view TagName() const { return {}; }
    [[nodiscard]] virtual std::uint32_t PropertyFlags() const { return 0; }
    // The object's own font, or nullptr; owned by the object.
    [[nodiscard]] virtual QFont* GetFont() const { return nullptr; }
    // Replaces the object's own font, taking ownership.
    virtual void SetFont(QFont* font);

    [[nodiscard]] bool HasProperty(std::uint32_t mask) const { return (PropertyFlags() & mask) != 0; }
};

// True when object exists and has any of the property bits of mask.
[[nodiscard]] inline bool HasProperty(const TDrawObject* object, std::uint32_t mask)
{
    return object && object->HasProperty(mask);
}

class TParseObject : public TDrawObject {
public:
    // The token this element stands for; either text points at characters
    // the parser must scan further, or tree receives a ready evaluation tree
    // (owned by the caller).
    virtual int GetToken(TParseParams& params, const char*& text, TEvaluator*& tree);
    // The number of caret positions inside the element.
    [[nodiscard]] virtual int PositionCount() const { return 0; }
};
