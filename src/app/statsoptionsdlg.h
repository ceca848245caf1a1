// TStatsOptionsDialog: the "Stats options" dialog. Its check boxes say which
// axes and which statistics the Statistics window (or one statistics line)
// shows; it edits the options it is given only when OK is pressed, so
// Cancel leaves them as they were.
#pragma once

#include "geometry/statistics.h"

#include <QDialog>

#include <array>

class QCheckBox;

class TStatsOptionsDialog : public QDialog {
    Q_OBJECT
public:
    // options is borrowed and must outlive the dialog.
    explicit TStatsOptionsDialog(TStatsOptions& options, QWidget* parent = nullptr);

    // The box of an option (soShowX ... soRegressionXOnY).
    [[nodiscard]] QCheckBox* Box(int option) const { return boxes_[static_cast<std::size_t>(option)]; }

    void accept() override;

private:
    TStatsOptions& options_;
    std::array<QCheckBox*, TStatsOptions::Count> boxes_{};
};
