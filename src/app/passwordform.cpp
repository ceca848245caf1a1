#include "app/passwordform.h"

#include "platform/codepage.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>
#include <QValidator>

namespace {

// Refuses what the mode does not take, whether typed or pasted.
class TPasswordValidator : public QValidator {
public:
    TPasswordValidator(TPasswordMode mode, QObject* parent) : QValidator(parent), mode_(mode) {}
    State validate(QString& input, int&) const override
    {
        for (const QChar c : input)
            if (!PasswordCharacterAllowed(c.unicode(), mode_))
                return Invalid;
        return Acceptable;
    }

private:
    TPasswordMode mode_;
};

} // namespace

TPasswordForm::TPasswordForm(TPasswordLock& lock, TPasswordMode mode, QWidget* parent)
    : QDialog(parent), lock_(lock), mode_(mode)
{
    setObjectName("TPasswordForm");
    setWindowTitle(tr("Password"));
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(tr("Enter the password"), this);
    layout->addWidget(label);
    edit_ = new QLineEdit(this);
    edit_->setObjectName("PasswordEdit");
    edit_->setEchoMode(QLineEdit::Password);
    edit_->setValidator(new TPasswordValidator(mode, edit_));
    edit_->setMinimumWidth(220);
    label->setBuddy(edit_);
    layout->addWidget(edit_);
    wrong_ = new QLabel(this);
    wrong_->setObjectName("PasswordWrong");
    layout->addWidget(wrong_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &TPasswordForm::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TPasswordForm::reject);
    connect(edit_, &QLineEdit::textEdited, wrong_, &QLabel::clear);
}

void TPasswordForm::showEvent(QShowEvent* event)
{
    edit_->clear();
    wrong_->clear();
    edit_->setFocus();
    QDialog::showEvent(event);
}

void TPasswordForm::accept()
{
    const std::string text = QStringToAnsi(edit_->text());
    if (mode_ == TPasswordMode::Set) {
        changed_ = lock_.Set(text);
    } else if (!lock_.Enter(text)) {
        // A wrong password keeps the box open for another try.
        wrong_->setText(tr("That is not the password"));
        edit_->selectAll();
        edit_->setFocus();
        return;
    }
    QDialog::accept();
}
