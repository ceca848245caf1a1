#include "app/coordinatelister.h"

#include "formula/equationobject.h"
#include "formula/formulalayout.h"
#include "geometry/coordlisting.h"
#include "graph/graphparams.h"

#include <QAction>
#include <QFontDatabase>
#include <QListWidget>
#include <QToolBar>
#include <QVBoxLayout>

TCoordinateLister::TCoordinateLister(QWidget* parent) : QWidget(parent)
{
    setObjectName("TCoordinateLister");
    setWindowTitle(tr("Coordinates"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    bar_ = new QToolBar(tr("Toolbar"), this);
    bar_->setObjectName("Toolbar");
    bar_->setToolButtonStyle(Qt::ToolButtonTextOnly);
    QAction* close = bar_->addAction(tr("Close"));
    close->setObjectName("Close");
    close->setToolTip(tr("Close"));
    QAction* help = bar_->addAction(tr("Help"));
    help->setObjectName("Help");
    help->setToolTip(tr("Help"));
    primary_ = bar_->addAction(tr("Primary curve"));
    primary_->setObjectName("ShowPrimary");
    primary_->setToolTip(tr("Primary curve"));
    primary_->setCheckable(true);
    primary_->setEnabled(false);
    connect(close, &QAction::triggered, this, &TCoordinateLister::CloseRequested);
    connect(help, &QAction::triggered, this, [this] { emit HelpRequested(HelpTopic); });
    connect(primary_, &QAction::toggled, this, [this](bool on) {
        showPrimaries_ = on;
        Fill();
    });
    list_ = new QListWidget(this);
    list_->setObjectName("List");
    list_->setSelectionMode(QAbstractItemView::NoSelection);
    list_->setFocusPolicy(Qt::NoFocus);
    layout->addWidget(bar_);
    layout->addWidget(list_, 1);
}

TCoordinateLister::~TCoordinateLister() = default;

void TCoordinateLister::ShowList(TEquationObject* object, TGraphParams* params)
{
    listed_ = object;
    params_ = params;
    chainLength_ = 0;
    for (const TEquationObject* o = object; o && chainLength_ < 64; o = o->GetParent())
        ++chainLength_;
    primary_->setEnabled(HasPrimaryCurve(object));
    Fill();
}

void TCoordinateLister::Relist()
{
    Fill();
}

void TCoordinateLister::RelistIfChanged()
{
    if (listed_ && listed_->RelistRequested()) {
        listed_->SetRelistRequested(false);
        Fill();
    }
}

void TCoordinateLister::LineLeaving(const TEquationObject* line)
{
    if (!line || line != listed_)
        return;
    listed_ = nullptr;
    chainLength_ = 0;
    primary_->setEnabled(false);
    list_->clear();
}

void TCoordinateLister::Fill()
{
    // The fixed-pitch font at the height formulas are written in, so the numbers stand in columns.
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPixelSize(std::max(8, FormulaReferenceHeight));
    list_->setFont(font);
    list_->clear();
    if (!listed_ || !params_)
        return;
    for (const std::string& line : CoordinateListing(listed_, *params_, showPrimaries_ && chainLength_ > 1))
        list_->addItem(QString::fromStdString(line));
}

std::vector<std::string> TCoordinateLister::ShownLines() const
{
    std::vector<std::string> lines;
    for (int i = 0; i < list_->count(); ++i)
        lines.push_back(list_->item(i)->text().toStdString());
    return lines;
}
