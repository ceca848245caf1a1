// TCommentary: the "Introduction" panel, plain text that travels with the
// document (typically a teacher's introduction to an exercise). It is read
// only unless the user asks to edit it (Custom > Introduction); OK hides the
// panel, Font chooses the font. Its changes count for the save prompt until
// the document is saved, read or reset; nothing else marks it unchanged.
#pragma once

#include "document/commentarytext.h"

#include <QWidget>

#include <functional>

class QPlainTextEdit;
class QPushButton;

class TCommentary : public QWidget {
    Q_OBJECT
public:
    static constexpr int HelpTopic = 208;

    explicit TCommentary(QWidget* parent = nullptr);
    ~TCommentary() override;

    [[nodiscard]] QPlainTextEdit* Memo() const { return memo_; }
    [[nodiscard]] QPushButton* OKButton() const { return ok_; }
    [[nodiscard]] QPushButton* FontButton() const { return font_; }
    [[nodiscard]] QString Text() const;

    // Read only exactly when not editable; the Font button shows only while editable.
    void SetEditable(bool editable);
    [[nodiscard]] bool Editable() const;
    [[nodiscard]] bool IsModified() const;
    // Only a good save, a read or a reset may mark it unchanged.
    void SetModified(bool modified);
    // Empty, in the default font, unchanged and read only.
    void Reset();
    // The text and font of a record, unchanged.
    void Read(const TCommentaryRecord& record);
    // The text, font and colour (side and bounds are the panel's: the caller's).
    [[nodiscard]] TCommentaryState State() const;
    // Opens the font dialog; the font is taken only when it is accepted.
    void FontClick();

    // OK: the panel hides. Help: the commentary's help topic.
    std::function<void()> HideRequested;
    std::function<void(int topic)> ShowHelp;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void ApplyFont(const QFont& font, TColour colour);

    QPlainTextEdit* memo_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* font_ = nullptr;
    QPushButton* help_ = nullptr;
    QString fontName_;
    TColour colour_ = clBlack;
};
