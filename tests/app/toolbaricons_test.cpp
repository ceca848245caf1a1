// The toolbar buttons' icons: every button of every toolbar and of the
// keypad shows an icon with a picture of its own, drawn afresh at device
// pixel ratio 2 rather than enlarged, and the toolbars' context menu puts the
// captions beside the icons and remembers it.
#include "app/toolbaricons.h"
#include "mainwindow_testing.h"
#include "testpictures.h"

#include <QAction>
#include <QMenu>
#include <QPainter>
#include <QSettings>
#include <QToolBar>
#include <QToolButton>
#include <gtest/gtest.h>

#include <map>

namespace {

using ToolbarIcons = QuietFormTest<TLumacurveForm>;

// The number of pixels that are not transparent.
int Ink(const QImage& image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += qAlpha(image.pixel(x, y)) > 40 ? 1 : 0;
    return count;
}

QImage Picture(const QIcon& icon, int side, qreal ratio, QIcon::Mode mode = QIcon::Normal)
{
    return icon.pixmap(QSize(side, side), ratio, mode).toImage().convertToFormat(QImage::Format_ARGB32);
}

// Every icon a user can see on a toolbar or the keypad, by the command or key it belongs to.
std::map<std::string, QIcon> ShownIcons(TLumacurveForm& form)
{
    std::map<std::string, QIcon> icons;
    for (const TToolbarLayout& bar : Toolbars())
        for (std::string_view name : bar.commands)
            if (name != "-")
                icons[std::string(name)] = form.Commands().Action(name)->icon();
    for (const char* name : {"KeybtnAltAct", "KeyBtnFnAct", "KeyBtnRightMouseAct", "KeyBtnHelpAct"})
        icons[name] = form.Commands().Action(name)->icon();
    for (const TKeypadKey& key : KeypadKeys()) {
        auto* button = form.findChild<QToolButton*>(
            "Key_" + QString::fromUtf8(key.caption.data(), qsizetype(key.caption.size())));
        icons["key " + std::string(key.caption)] = button ? button->icon() : QIcon();
    }
    return icons;
}

TEST_F(ToolbarIcons, EveryButtonShowsAPictureOfItsOwn)
{
    const auto icons = ShownIcons(*form);
    ASSERT_GT(icons.size(), 100u);
    std::map<std::string, QImage> pictures;
    for (const auto& [name, icon] : icons) {
        SCOPED_TRACE(name);
        ASSERT_FALSE(icon.isNull());
        const QImage picture = Picture(icon, 24, 1);
        EXPECT_EQ(picture.size(), QSize(24, 24));
        // A full stop is a few pixels; an icon that failed to draw has none.
        EXPECT_GT(Ink(picture), 2) << "an empty picture";
        pictures[name] = picture;
    }
    // No two buttons look alike (a wrong row in a table would give two the same picture).
    for (auto first = pictures.begin(); first != pictures.end(); ++first)
        for (auto second = std::next(first); second != pictures.end(); ++second)
            EXPECT_NE(first->second, second->second)
                << first->first << " and " << second->first << " look alike";

    // A sheet of every icon at ratio 1 and 2, to look at.
    for (const qreal ratio : {1.0, 2.0}) {
        const int side = 24, columns = 16;
        const int rows = int(icons.size() + columns - 1) / columns;
        QImage sheet(QSize(columns, rows) * int((side + 8) * ratio), QImage::Format_ARGB32);
        sheet.fill(Qt::white);
        QPainter painter(&sheet);
        int index = 0;
        for (const auto& [name, icon] : icons) {
            const QPoint place(index % columns, index / columns);
            painter.drawImage(place * int((side + 8) * ratio) + QPoint(4, 4) * ratio,
                              Picture(icon, side, ratio));
            ++index;
        }
        painter.end();
        KeepForInspection(sheet, QStringLiteral("toolbar-icons-%1x.png").arg(ratio));
    }
}

// The keypad's keys are no taller with pictures than they were with captions,
// so the keypad fits the place its stored arrangements give it.
TEST_F(ToolbarIcons, KeypadKeysKeepTheHeightOfTheirCaptions)
{
    auto* seven = form->findChild<QToolButton*>("Key_7");
    ASSERT_NE(seven, nullptr);
    QToolButton caption;
    caption.setFont(seven->font());
    caption.setText("7");
    EXPECT_LE(seven->sizeHint().height(), caption.sizeHint().height());
    QToolBar* keypad = form->Bar("ToolbarKeypad");
    keypad->show();
    QCoreApplication::processEvents();
    KeepForInspection(keypad->grab().toImage(), "keypad.png");
}

TEST_F(ToolbarIcons, PicturesAreDrawnAtTheDevicePixelRatio)
{
    for (const char* command : {"ActionFileSave", "ActionInsPi", "ActionInsFraction", "ActionTangent"}) {
        SCOPED_TRACE(command);
        const QIcon icon = form->Commands().Action(command)->icon();
        const QPixmap sharp = icon.pixmap(QSize(24, 24), 2.0);
        EXPECT_EQ(sharp.size(), QSize(48, 48));
        EXPECT_DOUBLE_EQ(sharp.devicePixelRatio(), 2.0);
        // Drawn at 48 pixels, not the 24-pixel picture enlarged.
        const QImage enlarged = Picture(icon, 24, 1).scaled(48, 48);
        EXPECT_NE(sharp.toImage().convertToFormat(QImage::Format_ARGB32), enlarged);
        // A disabled button's picture is the same drawing, greyed.
        const QImage disabled = Picture(icon, 24, 1, QIcon::Disabled);
        EXPECT_GT(Ink(disabled), 12);
        EXPECT_NE(disabled, Picture(icon, 24, 1));
    }
}

TEST_F(ToolbarIcons, TheContextMenuPutsTextBesideTheIconsAndRemembersIt)
{
    EXPECT_EQ(form->Bar("ToolBarFile")->toolButtonStyle(), Qt::ToolButtonIconOnly);
    std::unique_ptr<QMenu> menu(form->createPopupMenu());
    QAction* text = menu->findChild<QAction*>("TextBesideIcons");
    ASSERT_NE(text, nullptr);
    EXPECT_FALSE(text->isChecked());
    text->trigger();
    for (QToolBar* bar : form->Bars())
        EXPECT_EQ(bar->toolButtonStyle(), Qt::ToolButtonTextBesideIcon) << bar->objectName().toStdString();
    auto* seven = form->findChild<QToolButton*>("Key_7");
    ASSERT_NE(seven, nullptr);
    EXPECT_EQ(seven->toolButtonStyle(), Qt::ToolButtonTextBesideIcon);
    // The caption shows beside the icon: the Insert button still says its key.
    auto* insertBar = form->Bar("ToolBarInsert");
    auto* pi = qobject_cast<QToolButton*>(insertBar->widgetForAction(form->Commands().Action("ActionInsPi")));
    ASSERT_NE(pi, nullptr);
    EXPECT_EQ(pi->text(), "Ctrl+P");
    EXPECT_EQ(pi->toolTip(), "Pi"); // the hint stays the tool tip
    form->show();
    QCoreApplication::processEvents();
    KeepForInspection(insertBar->grab().toImage(), "insert-toolbar-text.png");

    // The next start keeps the choice. The menu belongs to the window, so it goes first.
    menu.reset();
    form.reset();
    form = MakeQuietForm<TLumacurveForm>();
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->Bar("ToolBarEdit")->toolButtonStyle(), Qt::ToolButtonTextBesideIcon);
    std::unique_ptr<QMenu> again(form->createPopupMenu());
    QAction* off = again->findChild<QAction*>("TextBesideIcons");
    ASSERT_NE(off, nullptr);
    EXPECT_TRUE(off->isChecked());
    off->trigger();
    EXPECT_EQ(form->Bar("ToolBarEdit")->toolButtonStyle(), Qt::ToolButtonIconOnly);
    EXPECT_FALSE(TextBesideIcons());
}

} // namespace
