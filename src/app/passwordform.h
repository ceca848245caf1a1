// TPasswordForm: the "Password" box of the settings lock. In set mode the
// text typed on OK becomes the password; in check mode OK compares it with
// the password and a wrong text keeps the box open. The text is masked and
// emptied each time the box shows.
#pragma once

#include "graph/customsettings.h"

#include <QDialog>

class QLabel;
class QLineEdit;

class TPasswordForm : public QDialog {
    Q_OBJECT
public:
    TPasswordForm(TPasswordLock& lock, TPasswordMode mode, QWidget* parent = nullptr);

    [[nodiscard]] QLineEdit* Edit() const { return edit_; }
    [[nodiscard]] TPasswordMode Mode() const { return mode_; }
    // Whether OK in set mode changed the password.
    [[nodiscard]] bool PasswordChanged() const { return changed_; }
    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    TPasswordLock& lock_;
    TPasswordMode mode_;
    QLineEdit* edit_ = nullptr;
    QLabel* wrong_ = nullptr;
    bool changed_ = false;
};
