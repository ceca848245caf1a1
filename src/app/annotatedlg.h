// TAnnotateDlg: the "Comment box" dialog that edits the text of a comment box
// on the graph. Its maths editor takes any printable character as words and
// the maths keys for formulas. OK or Enter hands the text back; so does every
// other way out (Escape, the window's close), so nothing typed is lost; only
// Delete, after "Are you sure?", empties it (and the box then goes).
// "Colour" chooses the colour of the writing.
#pragma once

#include <QDialog>

#include <functional>

class QPushButton;
class TAnnotation;
class TMathsEditor;

class TAnnotateDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int HelpTopic = 211;

    // Edits annotation's text (borrowed); the editor holds it while the dialog is open.
    explicit TAnnotateDlg(TAnnotation& annotation, QWidget* parent = nullptr);
    ~TAnnotateDlg() override;

    [[nodiscard]] TMathsEditor* Edit() const { return edit_; }
    [[nodiscard]] QPushButton* OKButton() const { return ok_; }
    [[nodiscard]] QPushButton* DeleteButton() const { return delete_; }
    [[nodiscard]] QPushButton* ColourButton() const { return colour_; }
    std::function<void(int topic)> ShowHelp;

    void OKBtnClick();
    void DeleteBtnClick();
    void ColourClick();

protected:
    // Every way of closing hands the text back.
    void done(int result) override;

private:
    void HandBack();

    TAnnotation& annotation_;
    TMathsEditor* edit_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* delete_ = nullptr;
    QPushButton* colour_ = nullptr;
    bool handedBack_ = false;
};
