#include "app/commentary.h"

#include "platform/fontfamilies.h"
#include "settings/configuration.h"

#include <QFontDialog>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr const char* DefaultFontName = "Times New Roman";
constexpr int DefaultPointSize = 12; // 16 pixels on a 96 dpi screen

} // namespace

TCommentary::TCommentary(QWidget* parent) : QWidget(parent)
{
    setObjectName("TCommentary");
    setWindowTitle(tr("Introduction"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    memo_ = new QPlainTextEdit(this);
    memo_->setObjectName("memo");
    memo_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    QPalette palette = memo_->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::ToolTipBase));
    memo_->setPalette(palette);
    memo_->viewport()->installEventFilter(this);
    layout->addWidget(memo_, 1);
    auto* panel = new QHBoxLayout;
    panel->setObjectName("Panel1");
    ok_ = new QPushButton(tr("OK"), this);
    ok_->setObjectName("OKBtn");
    font_ = new QPushButton(tr("Font"), this);
    font_->setObjectName("Customfont");
    help_ = new QPushButton(tr("Help"), this);
    help_->setObjectName("Helpbtn");
    if (Configuration.ShowHints)
        font_->setToolTip(tr("Fonts"));
    panel->addStretch(1);
    panel->addWidget(ok_);
    panel->addWidget(font_);
    panel->addWidget(help_);
    layout->addLayout(panel);
    connect(ok_, &QPushButton::clicked, this, [this] {
        if (HideRequested)
            HideRequested();
    });
    connect(font_, &QPushButton::clicked, this, &TCommentary::FontClick);
    connect(help_, &QPushButton::clicked, this, [this] {
        if (ShowHelp)
            ShowHelp(HelpTopic);
    });
    Reset();
}

TCommentary::~TCommentary() = default;

QString TCommentary::Text() const
{
    return memo_->toPlainText();
}

void TCommentary::SetEditable(bool editable)
{
    memo_->setReadOnly(!editable);
    // Read-only text takes no focus, so no caret shows in it.
    memo_->setFocusPolicy(editable ? Qt::StrongFocus : Qt::NoFocus);
    font_->setVisible(editable);
}

bool TCommentary::Editable() const
{
    return !memo_->isReadOnly();
}

bool TCommentary::IsModified() const
{
    return memo_->document()->isModified();
}

void TCommentary::SetModified(bool modified)
{
    memo_->document()->setModified(modified);
}

void TCommentary::ApplyFont(const QFont& font, TColour colour)
{
    memo_->setFont(font);
    colour_ = colour;
    QPalette palette = memo_->palette();
    palette.setColor(QPalette::Text, ToQColor(colour));
    memo_->setPalette(palette);
}

void TCommentary::Reset()
{
    memo_->setPlainText(QString());
    fontName_ = DefaultFontName;
    ApplyFont(FamilyFont(DefaultFontName, DefaultPointSize), clBlack);
    SetEditable(false);
    SetModified(false);
}

void TCommentary::Read(const TCommentaryRecord& record)
{
    memo_->setPlainText(CommentaryText(record.text));
    if (record.hasFont && !record.fontName.empty()) {
        fontName_ = QString::fromStdString(record.fontName);
        ApplyFont(CommentaryFont(record, memo_->font()), record.fontColour);
    }
    SetModified(false);
}

TCommentaryState TCommentary::State() const
{
    TCommentaryState state;
    state.text = Text();
    state.fontName = fontName_;
    state.font = memo_->font();
    state.colour = colour_;
    return state;
}

void TCommentary::FontClick()
{
    bool accepted = false;
    const QFont chosen = QFontDialog::getFont(&accepted, memo_->font(), this, tr("Fonts"));
    if (!accepted)
        return;
    fontName_ = chosen.family();
    ApplyFont(chosen, colour_);
    // A new font is a change to save, as the text is.
    SetModified(true);
}

bool TCommentary::eventFilter(QObject* watched, QEvent* event)
{
    // A click in read-only text moves the focus to OK.
    if (watched == memo_->viewport() && event->type() == QEvent::MouseButtonPress && memo_->isReadOnly())
        ok_->setFocus(Qt::MouseFocusReason);
    return QWidget::eventFilter(watched, event);
}

void TCommentary::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (Editable())
        memo_->setFocus();
}
