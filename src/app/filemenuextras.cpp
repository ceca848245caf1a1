#include "app/filemenuextras.h"

#include "app/exportpicture.h"
#include "app/lumacurveform.h"
#include "app/recentdocuments.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QStandardPaths>

QString ExamplesFolder()
{
    const QDir beside(QCoreApplication::applicationDirPath() + "/../share/lumacurve/examples");
    if (beside.exists())
        return beside.canonicalPath();
    return QStandardPaths::locate(QStandardPaths::GenericDataLocation, "lumacurve/examples",
                                  QStandardPaths::LocateDirectory);
}

QSize TLumacurveForm::AreaSize(TPictureArea area) const
{
    QRect sourceRect;
    (void)AreaSource(area, sourceRect);
    return sourceRect.size();
}

void TLumacurveForm::RegisterExtraFileHandlers()
{
    auto& c = *commands_;
    // Save as always asks for a name; Save asks only when the document has none.
    c.SetHandler("ActionFileSaveAs", [this] { SaveDocument(QString()); });
    c.SetHandler("ActionExportPicture", [this] {
        TExportPictureDialog dialog(*this);
        dialog.exec();
    });
    c.SetHandler("ActionExamples", [this] {
        const QString folder = ExamplesFolder();
        if (folder.isEmpty()) {
            Message(tr("The example documents are not installed."), QMessageBox::Information);
            return;
        }
        if (!AskToSave())
            return;
        const QString path = QFileDialog::getOpenFileName(this, tr("Examples"), folder,
                                                          tr("Lumacurve documents (*.lcv);;All files (*)"));
        if (!path.isEmpty())
            OpenFile(path);
    });
    if (QMenu* recent = menuBar()->findChild<QMenu*>("Recentdocuments"))
        RecentDocuments::AttachMenu(recent, *this);
}
