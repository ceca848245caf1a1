#include "app/recentdocuments.h"

#include "app/lumacurveform.h"
#include "settings/usersettings.h"

#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QSettings>

namespace RecentDocuments {

namespace {

constexpr const char* Key = "RecentDocuments";

void Store(const QStringList& list)
{
    QSettings settings = UserSettings();
    if (list.isEmpty())
        settings.remove(Key);
    else
        settings.setValue(Key, list);
}

QString Normal(const QString& path)
{
    return QFileInfo(path).absoluteFilePath();
}

} // namespace

QStringList List()
{
    QStringList list = UserSettings().value(Key).toStringList();
    list.removeAll(QString());
    return list.mid(0, MaxCount);
}

void Add(const QString& path)
{
    if (path.isEmpty() || path.startsWith(QStringLiteral(":/")))
        return;
    const QString normal = Normal(path);
    QStringList list = List();
    list.removeAll(normal);
    list.prepend(normal);
    Store(list.mid(0, MaxCount));
}

void Remove(const QString& path)
{
    QStringList list = List();
    list.removeAll(Normal(path));
    Store(list);
}

void Clear()
{
    Store({});
}

bool OpenRecent(TLumacurveForm& form, const QString& path)
{
    if (!QFileInfo::exists(path)) {
        Remove(path);
        form.ShowStatusFlags(QObject::tr("%1 is no longer there, so it was taken off the recent documents")
                                 .arg(QDir::toNativeSeparators(path)),
                             2);
        return false;
    }
    if (!form.AskToSave())
        return false;
    return form.OpenFile(path);
}

void AttachMenu(QMenu* menu, TLumacurveForm& form)
{
    QObject::connect(menu, &QMenu::aboutToShow, menu, [menu, &form] {
        menu->clear();
        const QStringList list = List();
        int number = 1;
        for (const QString& path : list) {
            // "&1 Name", with the folder in the status tip: the numbers choose from the keyboard.
            QAction* item =
                menu->addAction(QStringLiteral("&%1 %2").arg(number++).arg(QFileInfo(path).fileName()));
            item->setStatusTip(QDir::toNativeSeparators(path));
            item->setToolTip(QDir::toNativeSeparators(path));
            QObject::connect(item, &QAction::triggered, &form, [&form, path] { OpenRecent(form, path); });
        }
        if (list.isEmpty()) {
            menu->addAction(QObject::tr("No recent documents"))->setEnabled(false);
            return;
        }
        menu->addSeparator();
        QObject::connect(menu->addAction(QObject::tr("Clear list")), &QAction::triggered, menu,
                         [] { Clear(); });
    });
}

} // namespace RecentDocuments
