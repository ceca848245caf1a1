#include "app/statsoptionsdlg.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace {

struct TBoxRow {
    int option;
    const char* name;
    const char* caption;
};

constexpr TBoxRow AxisBoxes[] = {{soShowX, "ShowxCheck", "x"}, {soShowY, "ShowyCheck", "y"}};

// Two columns: the statistics of each axis on the left, the general ones on the right.
constexpr TBoxRow StatisticBoxes[] = {
    {soMean, "ShowMeanCheck", "Mean"},
    {soStandardDeviation, "ShowsdCheck", "Standard deviation"},
    {soNumberOfValues, "ShownCheck", "Number of values"},
    {soRange, "ShowRangeCheck", "Range"},
    {soLowerQuartile, "ShowLQCheck", "Lower quartile"},
    {soUpperQuartile, "ShowUQCheck", "Upper quartile"},
    {soInterQuartileRange, "ShowIQRCheck", "Interquartile range"},
    {soMedian, "ShowMedianCheck", "Median"},
    {soMode, "ShowModeCheck", "Mode"},
    {soCorrelation, "ShowCorrelationCheck", "Correlation"},
    {soCorrelationCoefficient, "ShowCorrCoeffCheck", "Coefficient of correlation"},
    {soLineOfBestFit, "ShowLineOfBestFitCheck", "Line of best fit"},
    {soRegressionYOnX, "showlineyxCheck", "Regression line y on x"},
    {soRegressionXOnY, "ShowLinexyCheck", "Regression line x on y"},
};

} // namespace

TStatsOptionsDialog::TStatsOptionsDialog(TStatsOptions& options, QWidget* parent)
    : QDialog(parent), options_(options)
{
    setObjectName("StatsOptionsDialog");
    setWindowTitle(tr("Stats options"));
    auto makeBox = [this](const TBoxRow& row, QWidget* owner) {
        auto* box = new QCheckBox(tr(row.caption), owner);
        box->setObjectName(row.name);
        box->setChecked(options_.flags[static_cast<std::size_t>(row.option)]);
        boxes_[static_cast<std::size_t>(row.option)] = box;
        return box;
    };

    auto* axes = new QGroupBox(tr("Display for"), this);
    auto* axesRow = new QHBoxLayout(axes);
    for (const TBoxRow& row : AxisBoxes)
        axesRow->addWidget(makeBox(row, axes));
    axesRow->addStretch(1);

    auto* statistics = new QGroupBox(tr("Statistics"), this);
    auto* grid = new QGridLayout(statistics);
    constexpr int rows = (std::size(StatisticBoxes) + 1) / 2;
    int index = 0;
    for (const TBoxRow& row : StatisticBoxes) {
        grid->addWidget(makeBox(row, statistics), index % rows, index / rows);
        ++index;
    }

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &TStatsOptionsDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TStatsOptionsDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(axes);
    layout->addWidget(statistics);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TStatsOptionsDialog::accept()
{
    for (int option = 0; option < TStatsOptions::Count; ++option)
        options_.flags[static_cast<std::size_t>(option)] =
            boxes_[static_cast<std::size_t>(option)]->isChecked();
    QDialog::accept();
}
