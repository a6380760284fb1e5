#include "gui/transfer/compare_window.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "core/database/key_rules.h"
#include "gui/accessibility.h"

namespace kelp {

namespace {

QString areaName(int area) {
    if (area < 0)
        return QStringLiteral("Version");
    if (area >= kAreaCount)
        return QStringLiteral("DVR Track Info");
    return QString::fromStdString(areaTabCaption(static_cast<Area>(area)));
}

// "Timers: Port 2: Hang Timer 1" without the area the first column already names.
QString settingName(const SettingDifference& d) {
    const QString where = QString::fromStdString(d.where);
    const QString area = areaName(d.area) + QStringLiteral(": ");
    return where.startsWith(area) ? where.mid(area.size()) : where;
}

}  // namespace

QTableWidget* differenceTable(QWidget* parent) {
    auto* table = new QTableWidget(0, 4, parent);
    table->setObjectName(QStringLiteral("Differences"));
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->verticalHeader()->setVisible(false);
    table->horizontalHeader()->setStretchLastSection(true);
    return table;
}

void showDifferences(QTableWidget* table, const std::vector<SettingDifference>& differences,
                     const QString& aHeader, const QString& bHeader) {
    table->clearContents();
    table->setRowCount(static_cast<int>(differences.size()));
    table->setHorizontalHeaderLabels(
        {QStringLiteral("Area"), QStringLiteral("Setting"), aHeader, bHeader});
    for (int row = 0; row < static_cast<int>(differences.size()); ++row) {
        const SettingDifference& d = differences[static_cast<std::size_t>(row)];
        const QStringList cells{areaName(d.area), settingName(d), QString::fromStdString(d.a),
                                QString::fromStdString(d.b)};
        for (int column = 0; column < cells.size(); ++column) {
            auto* item = new QTableWidgetItem(cells[column]);
            if (column == 1)
                item->setToolTip(QString::fromStdString(d.key));
            table->setItem(row, column, item);
        }
    }
    // The last column takes what is left, however often the table is filled again.
    for (int column = 0; column + 1 < table->columnCount(); ++column)
        table->resizeColumnToContents(column);
}

CompareWindow::CompareWindow(const std::vector<SettingDifference>& differences, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("frmCompare"));
    setWindowTitle(QStringLiteral("Compare with QZ740"));
    auto* summary = new QLabel(this);
    summary->setObjectName(QStringLiteral("lblSummary"));
    summary->setWordWrap(true);
    summary->setText(
        differences.empty()
            ? QStringLiteral("The controller holds what this file would send: no setting differs.")
            : QStringLiteral("%1 setting%2 of this file would run differently from what the "
                             "controller holds now.")
                  .arg(differences.size())
                  .arg(differences.size() == 1 ? "" : "s"));

    QTableWidget* table = differenceTable(this);
    showDifferences(table, differences, QStringLiteral("In the file"),
                    QStringLiteral("In the controller"));

    auto* upload = new QPushButton(QStringLiteral("&Upload the file's values"), this);
    upload->setObjectName(QStringLiteral("cmdUpload"));
    upload->setToolTip(
        QStringLiteral("Flag these settings and open the Update window to send "
                       "them (Update Changes Only)"));
    upload->setEnabled(!differences.empty());
    auto* open = new QPushButton(QStringLiteral("&Open the controller's copy"), this);
    open->setObjectName(QStringLiteral("cmdOpenCopy"));
    open->setToolTip(
        QStringLiteral("Save what the controller holds as a new database file and "
                       "open it"));
    auto* close = new QPushButton(QStringLiteral("&Close"), this);
    close->setObjectName(QStringLiteral("cmdClose"));
    connect(upload, &QPushButton::clicked, this, [this] {
        choice_ = Choice::UploadFileValues;
        accept();
    });
    connect(open, &QPushButton::clicked, this, [this] {
        choice_ = Choice::OpenControllerCopy;
        accept();
    });
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    close->setDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(upload);
    buttons->addWidget(open);
    buttons->addStretch();
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(summary);
    layout->addWidget(table);
    layout->addLayout(buttons);
    resize(760, 420);
    nameUnnamedControls(this);
}

}  // namespace kelp
