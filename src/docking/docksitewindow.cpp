#include "docking/docksitewindow.h"

#include <QDir>
#include <QDockWidget>
#include <QMenu>
#include <QSettings>
#include <QStandardPaths>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

constexpr int LayoutLineLength = 72;
constexpr std::string_view LayoutSection = "[Docking]";
constexpr std::string_view LayoutKey = "State = ";

Qt::ToolBarArea AreaOfSide(const TToolbarPlace& record)
{
    const QString side = QString::fromStdString(record.side).toLower();
    if (side.contains("top"))
        return Qt::TopToolBarArea;
    if (side.contains("bottom"))
        return Qt::BottomToolBarArea;
    if (side.contains("left"))
        return Qt::LeftToolBarArea;
    return Qt::RightToolBarArea;
}

const char* SideWord(Qt::ToolBarArea area)
{
    switch (area) {
    case Qt::BottomToolBarArea:
        return "Bottom";
    case Qt::LeftToolBarArea:
        return "Left";
    case Qt::RightToolBarArea:
        return "Right";
    default:
        return "Top";
    }
}

} // namespace

TDockSiteWindow::TDockSiteWindow(QWidget* parent) : QMainWindow(parent)
{
    setDockOptions(QMainWindow::AnimatedDocks | QMainWindow::AllowTabbedDocks |
                   QMainWindow::AllowNestedDocks);
}

TDockSiteWindow::~TDockSiteWindow() = default;

QDockWidget* TDockSiteWindow::AddPanel(const QString& name, const QString& caption, QWidget* content,
                                       Qt::DockWidgetArea area)
{
    auto* panel = new QDockWidget(caption, this);
    panel->setObjectName(name);
    panel->setWidget(content);
    addDockWidget(area, panel);
    ApplyLock();
    return panel;
}

QDockWidget* TDockSiteWindow::Panel(const QString& name) const
{
    return findChild<QDockWidget*>(name);
}

QToolBar* TDockSiteWindow::AddBar(const QString& name, const QString& caption, const std::string& side,
                                  bool visible)
{
    auto* bar = new QToolBar(caption, this);
    bar->setObjectName(name);
    bars_.push_back(bar);
    TToolbarPlace record;
    record.name = name.toStdString();
    record.side = side;
    record.visible = visible;
    if (record.Floating()) {
        // Out of the way of the panels until the user or a document places it.
        record.bounds[0] = 60 + 30 * static_cast<int>(bars_.size());
        record.bounds[1] = 120;
    }
    addToolBar(Qt::TopToolBarArea, bar);
    ApplyToolbarRecord(record);
    return bar;
}

QToolBar* TDockSiteWindow::Bar(const QString& name) const
{
    for (QToolBar* bar : bars_)
        if (bar->objectName() == name)
            return bar;
    return nullptr;
}

std::vector<std::string> TDockSiteWindow::LayoutText() const
{
    const std::string state = saveState().toBase64().toStdString();
    std::vector<std::string> lines{std::string(LayoutSection)};
    for (std::size_t start = 0; start < state.size(); start += LayoutLineLength)
        lines.push_back(std::string(LayoutKey) + state.substr(start, LayoutLineLength));
    return lines;
}

bool TDockSiteWindow::RestoreLayoutText(const std::vector<std::string>& lines)
{
    QByteArray encoded;
    bool inSection = false;
    for (const auto& line : lines) {
        if (line == LayoutSection)
            inSection = true;
        else if (inSection && line.rfind(LayoutKey, 0) == 0)
            encoded += QByteArray::fromStdString(line.substr(LayoutKey.size()));
    }
    if (encoded.isEmpty())
        return false;
    const auto decoded = QByteArray::fromBase64Encoding(encoded, QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return false;
    const bool restored = restoreState(*decoded);
    ApplyLock();
    return restored;
}

TToolbarPlace TDockSiteWindow::RecordOf(QToolBar* bar) const
{
    TToolbarPlace record;
    record.name = bar->objectName().toStdString();
    const auto host = floatHosts_.find(bar);
    if (host != floatHosts_.end() && host->second) {
        const QWidget* window = host->second;
        record.side = "Floating";
        record.visible = window->isVisibleTo(const_cast<TDockSiteWindow*>(this)) || !window->isHidden();
        const QRect client = window->geometry();
        record.bounds[0] = client.left();
        record.bounds[1] = client.top();
        record.bounds[2] = client.width();
        record.bounds[3] = client.height();
        record.alone = true;
        return record;
    }
    const Qt::ToolBarArea area = toolBarArea(bar);
    record.side = SideWord(area);
    record.visible = !bar->isHidden();
    record.bounds[0] = bar->x();
    record.bounds[1] = bar->y();
    // The row: toolbars of the same side before this one that sit in another line.
    int row = 0;
    for (QToolBar* other : bars_) {
        if (other == bar)
            break;
        if (floatHosts_.count(other) == 0 && toolBarArea(other) == area && toolBarBreak(other))
            ++row;
    }
    record.bounds[2] = row;
    record.alone = toolBarBreak(bar);
    return record;
}

std::vector<TToolbarPlace> TDockSiteWindow::ToolbarRecords() const
{
    std::vector<TToolbarPlace> records;
    for (QToolBar* bar : bars_)
        records.push_back(RecordOf(bar));
    return records;
}

bool TDockSiteWindow::ApplyToolbarRecord(const TToolbarPlace& record, bool applyRow)
{
    QToolBar* bar = Bar(QString::fromStdString(record.name));
    if (!bar)
        return false;
    if (record.Floating()) {
        const int width = record.bounds[2] > 0 ? record.bounds[2] : bar->sizeHint().width();
        const int height = record.bounds[3] > 0 ? record.bounds[3] : bar->sizeHint().height();
        Float(bar, QRect(record.bounds[0], record.bounds[1], width, height));
        // The bar always shows inside its window, which shows as the record says.
        bar->show();
        floatHosts_[bar]->setVisible(record.visible);
    } else {
        Dock(bar, AreaOfSide(record), applyRow && record.alone);
        bar->setVisible(record.visible);
    }
    return true;
}

void TDockSiteWindow::HideAllBars()
{
    for (QToolBar* bar : bars_) {
        bar->hide();
        const auto host = floatHosts_.find(bar);
        if (host != floatHosts_.end())
            host->second->hide();
    }
}

bool TDockSiteWindow::ShowBar(const QString& name, bool visible)
{
    QToolBar* bar = Bar(name);
    if (!bar)
        return false;
    const auto host = floatHosts_.find(bar);
    if (host != floatHosts_.end()) {
        bar->show();
        host->second->setVisible(visible);
    } else {
        bar->setVisible(visible);
    }
    return true;
}

QMenu* TDockSiteWindow::createPopupMenu()
{
    QMenu* menu = QMainWindow::createPopupMenu();
    if (!menu)
        menu = new QMenu(this);
    // A floating toolbar lives in a window of its own, which the main window does not list.
    bool first = true;
    for (QToolBar* bar : bars_) {
        const auto host = floatHosts_.find(bar);
        if (host == floatHosts_.end())
            continue;
        if (first && !menu->isEmpty())
            menu->addSeparator();
        first = false;
        QAction* action = menu->addAction(bar->windowTitle());
        action->setCheckable(true);
        action->setChecked(host->second->isVisible());
        QWidget* window = host->second;
        connect(action, &QAction::toggled, window, &QWidget::setVisible);
    }
    return menu;
}

void TDockSiteWindow::Float(QToolBar* bar, const QRect& clientRect)
{
    QWidget*& host = floatHosts_[bar];
    if (!host) {
        // QToolBar floats only by being dragged, so a floating toolbar lives in a small tool window.
        host = new QWidget(this, Qt::Tool);
        host->setObjectName(bar->objectName() + "Float");
        host->setWindowTitle(bar->windowTitle());
        auto* layout = new QVBoxLayout(host);
        layout->setContentsMargins(0, 0, 0, 0);
        removeToolBar(bar);
        layout->addWidget(bar);
        bar->setMovable(false);
        bar->show();
    }
    host->setGeometry(clientRect);
}

void TDockSiteWindow::Dock(QToolBar* bar, Qt::ToolBarArea area, bool alone)
{
    const auto host = floatHosts_.find(bar);
    if (host != floatHosts_.end()) {
        QWidget* window = host->second;
        floatHosts_.erase(host);
        bar->setParent(this);
        delete window;
    } else {
        removeToolBar(bar);
    }
    if (alone)
        addToolBarBreak(area);
    addToolBar(area, bar);
    ApplyLock();
}

void TDockSiteWindow::SetLayoutLocked(bool locked)
{
    locked_ = locked;
    ApplyLock();
}

void TDockSiteWindow::ApplyLock()
{
    for (QToolBar* bar : bars_)
        bar->setMovable(!locked_ && floatHosts_.count(bar) == 0);
    for (QDockWidget* panel : findChildren<QDockWidget*>()) {
        auto features = panel->features() | QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable;
        if (locked_ && panel != alwaysMovable_ && !panel->isFloating())
            features &= ~QDockWidget::DockWidgetMovable;
        panel->setFeatures(features);
    }
}

QString TDockSiteWindow::BarsFile()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    if (folder.isEmpty())
        folder = QDir::homePath() + "/.config/Lumacurve";
    return folder + "/Bars.ini";
}

bool TDockSiteWindow::SaveBars() const
{
    QDir().mkpath(QFileInfo(BarsFile()).absolutePath());
    QSettings bars(BarsFile(), QSettings::IniFormat);
    bars.clear();
    bars.setValue("Layout/State", saveState().toBase64());
    for (const auto& record : ToolbarRecords())
        bars.setValue("Toolbars/" + QString::fromStdString(record.name),
                      QString::fromStdString(record.Text()));
    bars.sync();
    return bars.status() == QSettings::NoError;
}

bool TDockSiteWindow::LoadBars()
{
    if (!QFileInfo::exists(BarsFile()))
        return false;
    QSettings bars(BarsFile(), QSettings::IniFormat);
    if (bars.status() != QSettings::NoError)
        return false;
    bool any = false;
    bars.beginGroup("Toolbars");
    for (const QString& key : bars.childKeys())
        for (const auto& record : ParseToolbarRecords(bars.value(key).toString().toStdString()))
            any = ApplyToolbarRecord(record) || any;
    bars.endGroup();
    const auto decoded = QByteArray::fromBase64Encoding(bars.value("Layout/State").toByteArray(),
                                                        QByteArray::AbortOnBase64DecodingErrors);
    if (decoded)
        any = restoreState(*decoded) || any;
    ApplyLock();
    return any;
}
