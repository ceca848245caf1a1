// The main window's Custom menu: toolbars and their arrangements, the
// equations panel, and whiteboard mode with the preferences kept for the user.
#include "app/lumacurveform.h"

#include "app/customdlg.h"
#include "app/startupwindow.h"
#include "document/curvestyle.h"
#include "editor/canvascontrol.h"
#include "editor/mathseditor.h"
#include "equations/equationswindow.h"
#include "formula/equationobject.h"
#include "formula/formulalayout.h"
#include "graph/customsettings.h"
#include "graph/graphparams.h"
#include "graphwindow/graphwindow.h"
#include "platform/canvas.h"
#include "platform/fontfamilies.h"
#include "settings/configuration.h"
#include "settings/usersettings.h"

#include <QAction>
#include <QCheckBox>
#include <QDockWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QSettings>
#include <QToolBar>

#include <cmath>
#include <cstdio>

namespace {

constexpr const char* WhiteboardKey = "Whiteboard";

} // namespace

// The Custom menu: toolbars, the equations panel and whiteboard mode.
void TLumacurveForm::RegisterCustomHandlers()
{
    auto& c = *commands_;
    c.SetHandler("ActionToolbars", [this] {
        QMenu* chooser = createPopupMenu();
        chooser->setAttribute(Qt::WA_DeleteOnClose);
        chooser->popup(QPoint(400, 80));
    });
    c.SetHandler("ActionLoadToolbars", [this] {
        if (!LoadBars())
            ShowStatusFlags(tr("No toolbar arrangement has been saved yet"), 3);
    });
    c.SetHandler("ActionSaveToolbars", [this] {
        if (!SaveBars())
            Message(tr("The toolbar arrangement could not be saved in %1").arg(BarsFile()),
                    QMessageBox::Warning);
    });
    c.SetHandler("ActionWhiteboard",
                 [this] { SetWhiteboard(commands_->Action("ActionWhiteboard")->isChecked()); });
    c.SetHandler("ActionWhiteboardSettings", [this] { WhiteboardSettings(); });
    c.SetHandler("ActionEquationsWindow", [this] { (void)ActiveMathsWindow(); });
    c.SetHandler("ActionCustom", [this] { CustomDialog(); });
}

std::optional<TArrangement> TLumacurveForm::StoredWhiteboardPreferences()
{
    const QVariant value = UserSettings().value(WhiteboardKey);
    if (!value.isValid())
        return std::nullopt;
    return ParseArrangement(value.toString().toStdString());
}

void TLumacurveForm::StoreWhiteboardPreferences()
{
    StoreWhiteboardPreferences(CurrentArrangement());
}

void TLumacurveForm::StoreWhiteboardPreferences(const TArrangement& arrangement)
{
    QSettings settings = UserSettings();
    settings.setValue(WhiteboardKey, QString::fromStdString(arrangement.Text()));
}

void TLumacurveForm::ForgetWhiteboardPreferences()
{
    QSettings settings = UserSettings();
    settings.remove(WhiteboardKey);
}

TArrangement TLumacurveForm::CurrentArrangement() const
{
    TArrangement arrangement;
    for (const char* name : {"ToolbarKeypad", "ToolBarInsert", "ToolBarZoom"})
        if (QToolBar* bar = Bar(name))
            arrangement.toolbars.push_back(RecordOf(bar));
    arrangement.fontName = EquationsFontName;
    arrangement.fontSize = std::abs(EquationsFontHeight);
    arrangement.backgroundColour = BackgroundColour;
    arrangement.highContrast = HighContrast;
    return arrangement;
}

void TLumacurveForm::ApplyArrangement(const TArrangement& arrangement)
{
    setUpdatesEnabled(false);
    for (const auto& record : arrangement.toolbars)
        ApplyToolbarRecord(record);
    setUpdatesEnabled(true);
    EquationsFontName = arrangement.fontName;
    EquationsFontHeight = -std::abs(arrangement.fontSize);
    BackgroundColour = static_cast<TColour>(arrangement.backgroundColour);
    QFont font = FamilyFont(EquationsFontName);
    font.setPixelSize(std::abs(EquationsFontHeight));
    EquationsArea()->setFont(font);
    graphArea_->setFont(font);
    // The formulas are laid out in that font and height.
    if (FormulaFontName != EquationsFontName || FormulaReferenceHeight != std::abs(EquationsFontHeight)) {
        FormulaFontName = EquationsFontName;
        FormulaReferenceHeight = std::max(1, std::abs(EquationsFontHeight));
        (void)SetFormulaHeight(FormulaReferenceHeight);
        equations_->RemeasureAll();
        if (TEditor* line = equations_->Line())
            line->Remeasure();
    }
    const QColor colour(BackgroundColour & 0xFF, (BackgroundColour >> 8) & 0xFF,
                        (BackgroundColour >> 16) & 0xFF);
    for (QWidget* area : {EquationsArea(), static_cast<QWidget*>(graphArea_)}) {
        QPalette palette = area->palette();
        palette.setColor(QPalette::Window, colour);
        area->setPalette(palette);
        area->update();
    }
    SetHighContrast(arrangement.highContrast);
}

void TLumacurveForm::SetHighContrast(bool on)
{
    // New curves are drawn thicker; the lines there are keep their own look.
    DefaultLineThickness = on ? 3 : 1;
    if (HighContrast == on)
        return;
    HighContrast = on;
    graphArea_->RedrawAll(); // the shading's strength
}

void TLumacurveForm::KeepKeypadClear()
{
    QToolBar* keypad = Bar("ToolbarKeypad");
    TToolbarPlace place = keypad ? RecordOf(keypad) : TToolbarPlace{};
    if (!keypad || !place.Floating() || !place.visible)
        return;
    SettleLayout();
    const auto global = [](const QWidget* widget) {
        return widget && widget->isVisible() ? QRect(widget->mapToGlobal(QPoint()), widget->size()) : QRect();
    };
    QRect bounds(place.bounds[0], place.bounds[1], place.bounds[2], place.bounds[3]);
    const QRect insert = global(Bar("ToolBarInsert"));
    const QRect lines = global(equationsScroller_);
    if (!bounds.intersects(insert) && !bounds.intersects(lines))
        return;
    // Beside the graph: in its top right corner, where the curves are least
    // often drawn, clear of the toolbar and the equation lines.
    const QRect graph = global(graphArea_);
    if (graph.isEmpty())
        return;
    bounds.moveTopRight(graph.topRight() + QPoint(-8, 8));
    if (bounds.left() < graph.left())
        bounds.moveLeft(graph.left());
    place.bounds = {bounds.left(), bounds.top(), bounds.width(), bounds.height()};
    ApplyToolbarRecord(place);
}

void TLumacurveForm::SetWhiteboard(bool on)
{
    QAction* button = commands_->Action("ActionWhiteboard");
    if (on) {
        // Keep the user's own arrangement only when it is not the whiteboard's already.
        if (!whiteboard_)
            savedArrangement_ = CurrentArrangement();
        ApplyArrangement(StoredWhiteboardPreferences().value_or(DefaultWhiteboardArrangement()));
        whiteboard_ = true;
        button->setChecked(true);
        KeepKeypadClear();
    } else {
        if (!savedArrangement_) {
            Message(tr("You must first save your whiteboard preferences."), QMessageBox::Information);
            button->setChecked(whiteboard_);
            return;
        }
        ApplyArrangement(*savedArrangement_);
        whiteboard_ = false;
        button->setChecked(false);
    }
    SetModified(true);
}

void TLumacurveForm::WhiteboardSettings()
{
    QMessageBox box(QMessageBox::NoIcon, tr("Whiteboard"),
                    tr("The whiteboard settings are:\n  Position of Keypad, Zoom and Insert toolbars\n"
                       "  Background colour\n  Font size\n"
                       "  High contrast: stronger shading, distinct curve colours, thicker lines\n"
                       "To store your own preferences, set up the screen as you \n"
                       "wish for the above items, then select Save on this panel. "),
                    QMessageBox::NoButton, this);
    QAbstractButton* save = box.addButton(tr("Save"), QMessageBox::YesRole);
    QAbstractButton* revert = box.addButton(tr("Revert to default settings"), QMessageBox::DestructiveRole);
    box.addButton(QMessageBox::Close);
    QAbstractButton* help = box.addButton(QMessageBox::Help);
    auto* contrast = new QCheckBox(tr("High contrast"));
    contrast->setObjectName("HighContrast");
    contrast->setChecked(
        whiteboard_ ? HighContrast
                    : StoredWhiteboardPreferences().value_or(DefaultWhiteboardArrangement()).highContrast);
    // In whiteboard mode the choice shows at once.
    connect(contrast, &QCheckBox::toggled, this, [this](bool on) {
        if (whiteboard_)
            SetHighContrast(on);
    });
    box.setCheckBox(contrast);
    box.exec();
    if (box.clickedButton() == save) {
        TArrangement present = CurrentArrangement();
        present.highContrast = contrast->isChecked();
        StoreWhiteboardPreferences(present);
    } else if (box.clickedButton() == revert) {
        ForgetWhiteboardPreferences();
    } else if (box.clickedButton() == help) {
        ShowHelp(214);
    }
}

void TLumacurveForm::CustomDialog()
{
    if (!equations_->FinishPendingEdit())
        return;
    TGraphParams& params = graphArea_->Params();
    TCustomDlg dialog(TCustomSettings::Current(&params), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const TCustomSettings& chosen = dialog.Settings();
    const TCustomChanges changes = dialog.Changes();
    const bool radians = chosen.config.Radians();
    // The angle command checks the unit it was in; setting it below re-measures.
    TCustomSettings applied = chosen;
    applied.config.AngleFactor = Configuration.AngleFactor;
    ApplySettings(applied);
    SetAngleMeasure(radians);
    if (Configuration.AutoAccuracy)
        Configuration.Accuracy = static_cast<std::int16_t>(AutomaticAccuracy);
    ApplyArrangement(CurrentArrangement()); // the font and the background, both windows
    SetLayoutLocked(!DragLayout);
    commands_->Action("ActionDynamicCUrves")->setChecked(Configuration.DragCurves);
    commands_->Action("ActionConstructionLines")->setChecked(Configuration.ConstructionLines);
    commands_->Action("ActionInvariants")->setChecked(Configuration.DrawInvariants);
    if (changes.docking)
        for (QDockWidget* panel : findChildren<QDockWidget*>())
            if (panel->objectName() != "EquationsDockPanel" && panel->objectName() != "GraphWindowDockPanel")
                panel->setAllowedAreas(Configuration.AllowDocking ? Qt::AllDockWidgetAreas
                                                                  : Qt::NoDockWidgetArea);
    static constexpr Qt::DockWidgetArea PanelSides[] = {Qt::TopDockWidgetArea, Qt::BottomDockWidgetArea,
                                                        Qt::LeftDockWidgetArea, Qt::RightDockWidgetArea};
    static constexpr Qt::ToolBarArea BarSides[] = {Qt::TopToolBarArea, Qt::BottomToolBarArea,
                                                   Qt::LeftToolBarArea, Qt::RightToolBarArea};
    if (chosen.equationsSide != TDockSide::Unchanged)
        if (QDockWidget* panel = Panel("EquationsDockPanel")) {
            panel->setFloating(false);
            addDockWidget(PanelSides[static_cast<int>(chosen.equationsSide)], panel);
        }
    if (chosen.toolbarSide != TDockSide::Unchanged)
        for (QToolBar* bar : Bars())
            if (!bar->isFloating() && bar->isVisible())
                addToolBar(BarSides[static_cast<int>(chosen.toolbarSide)], bar);
    if (changes.thickness || changes.labelOrShade) {
        const std::vector<TEquationObject*> lines = equations_->List().Lines();
        for (std::size_t i = 0; i < lines.size(); ++i)
            if (ApplySettingsToLine(*lines[i], changes.thickness, changes.labelOrShade)) {
                lines[i]->SetLayoutOutOfDate(true);
                graphArea_->LineChanged(static_cast<int>(i));
            }
        equations_->ProcessChanges();
    }
    if (changes.scales) {
        std::string message;
        if (!ApplyScaleFactors(params, graphArea_, chosen.xScaling, chosen.yScaling, message))
            Message(QString::fromStdString(message), QMessageBox::Warning);
        else
            ScaleDialogClosed(true);
    }
    if (changes.stored || dialog.PasswordChanged())
        SetModified(true);
    if (changes.redraw)
        graphArea_->RedrawAll();
    graphArea_->update();
    EquationsArea()->update();
}
