#include "app/annotatedlg.h"

#include "editor/mathseditor.h"
#include "formula/editor.h"
#include "formula/formulalayout.h"
#include "plot/annotation.h"
#include "settings/configuration.h"

#include <QColorDialog>
#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

TAnnotateDlg::TAnnotateDlg(TAnnotation& annotation, QWidget* parent)
    : QDialog(parent), annotation_(annotation)
{
    setObjectName("TAnnotateDlg");
    setWindowTitle(tr("Comment box"));
    // No border icons: the dialog ends through its buttons (or Escape, which keeps the text).
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    auto* layout = new QVBoxLayout(this);
    edit_ = new TMathsEditor(this);
    edit_->setObjectName("Edit");
    edit_->AnyText = true;
    edit_->setMinimumSize(360, FormulaTextHeight(FormulaHeight()) * 3 / 2 + 12);
    layout->addWidget(edit_, 1);
    // Enter anywhere finishes as OK does.
    edit_->OnFinishEdit = [this](TMathsEditor*, bool& stopped) {
        stopped = false;
        OKBtnClick();
    };

    auto* buttons = new QDialogButtonBox(this);
    ok_ = buttons->addButton(QDialogButtonBox::Ok);
    delete_ = buttons->addButton(tr("Delete"), QDialogButtonBox::DestructiveRole);
    delete_->setObjectName("DeleteBtn");
    colour_ = buttons->addButton(tr("Colour"), QDialogButtonBox::ActionRole);
    colour_->setObjectName("Colour");
    buttons->addButton(QDialogButtonBox::Help);
    for (QPushButton* button : {ok_, delete_, colour_})
        button->setAutoDefault(false);
    if (Configuration.ShowHints) {
        ok_->setToolTip(tr("Finish editing"));
        delete_->setToolTip(tr("Delete comment"));
        colour_->setToolTip(tr("Colour of writing"));
    }
    layout->addWidget(buttons);
    connect(ok_, &QPushButton::clicked, this, &TAnnotateDlg::OKBtnClick);
    connect(delete_, &QPushButton::clicked, this, &TAnnotateDlg::DeleteBtnClick);
    connect(colour_, &QPushButton::clicked, this, &TAnnotateDlg::ColourClick);
    connect(buttons, &QDialogButtonBox::helpRequested, this, [this] {
        if (ShowHelp)
            ShowHelp(HelpTopic);
    });

    // The editor takes the text over for the time the dialog is open.
    TEditor& text = annotation_.Text();
    const TColour colour = text.colour;
    edit_->SetElements(text.TakeElements());
    text.SetElements(TElementList(new TEditorObject));
    edit_->Line()->colour = colour;
    edit_->Line()->leftMargin = 2;
    edit_->Line()->CaretToEnd();
    edit_->ClearModified();
    edit_->setFocus();
}

TAnnotateDlg::~TAnnotateDlg()
{
    HandBack();
}

void TAnnotateDlg::HandBack()
{
    if (handedBack_ || !edit_->Line())
        return;
    handedBack_ = true;
    TEditor& line = *edit_->Line();
    Tidy(line.ElementList(), tmFinish, &line);
    if (!line.Elements())
        line.SetElements(TElementList(new TEditorObject));
    annotation_.TakeText(line);
    edit_->Clear();
}

void TAnnotateDlg::done(int result)
{
    HandBack();
    QDialog::done(result);
}

void TAnnotateDlg::OKBtnClick()
{
    accept();
}

void TAnnotateDlg::DeleteBtnClick()
{
    QMessageBox box(QMessageBox::Question, windowTitle(), tr("Are you sure?"),
                    QMessageBox::Yes | QMessageBox::No, this);
    box.setDefaultButton(QMessageBox::No);
    if (box.exec() != QMessageBox::Yes)
        return;
    edit_->Clear();
    accept();
}

void TAnnotateDlg::ColourClick()
{
    TEditor* line = edit_->Line();
    if (!line)
        return;
    // The colour is taken only when the colour dialog is accepted.
    const QColor chosen = QColorDialog::getColor(ToQColor(line->colour), this, tr("Colour of writing"));
    if (!chosen.isValid())
        return;
    line->colour = FromQColor(chosen);
    edit_->update();
}
