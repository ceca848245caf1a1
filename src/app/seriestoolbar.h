// The exercise series' toolbar: a small window of its own that floats over
// the main window while a guide's series of exercise documents is worked
// through, with buttons for the last document, the next one, and quitting
// the series. Closing the toolbar ends the series.
#pragma once

#include <QWidget>

class QToolButton;

class TLumatutorseriesDlg : public QWidget {
    Q_OBJECT
public:
    // A tool window over owner (its own top-level window, kept on top).
    explicit TLumatutorseriesDlg(QWidget* owner);

    // Shows the toolbar (placed at the top right of the owner the first time it is
    // shown) with the buttons for the documents that exist enabled.
    void ShowFor(bool hasLast, bool hasNext);
    // Hides the toolbar without ending anything: the series has already ended.
    void HideQuietly();

signals:
    void LastFile();
    void NextFile();
    // The pupil quit the series: its button, or the window closed.
    void SeriesQuit();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* owner_;
    QToolButton* last_;
    QToolButton* quit_;
    QToolButton* next_;
    bool placed_ = false;
};
