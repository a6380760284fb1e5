#include "gui/transfer/history_window.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>

#include "gui/accessibility.h"
#include "gui/transfer/compare_window.h"

namespace kelp {

namespace {

QString settings(std::size_t n) {
    return QStringLiteral("%1 setting%2").arg(n).arg(n == 1 ? "" : "s");
}

}  // namespace

HistoryWindow::HistoryWindow(const ControllerDatabase& file, std::vector<Snapshot> snapshots,
                             QWidget* parent)
    : QDialog(parent), file_(file), snapshots_(std::move(snapshots)) {
    setObjectName(QStringLiteral("frmHistory"));
    setWindowTitle(QStringLiteral("History of %1")
                       .arg(QString::fromStdString(
                           std::filesystem::path(file.currentFile).filename().string())));

    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("Snapshots"));
    for (const Snapshot& s : snapshots_) contents_.push_back(readSnapshot(s.file));
    for (std::size_t i = 0; i < snapshots_.size(); ++i) {
        QString changes;
        if (!contents_[i])
            changes = QStringLiteral("cannot be read");
        else if (i + 1 == snapshots_.size())
            changes = QStringLiteral("first snapshot");
        else if (!contents_[i + 1])
            changes = QStringLiteral("the one before cannot be read");
        else
            changes = settings(snapshotChanges(*contents_[i + 1], *contents_[i]).size()) +
                      QStringLiteral(" changed");
        list_->addItem(QString::fromStdString(snapshots_[i].time) + QStringLiteral("   ") +
                       changes);
    }

    summary_ = new QLabel(this);
    summary_->setObjectName(QStringLiteral("lblSummary"));
    summary_->setWordWrap(true);
    fromFile_ = new QRadioButton(QStringLiteral("Against the open &file"), this);
    fromFile_->setObjectName(QStringLiteral("optFromFile"));
    fromBefore_ = new QRadioButton(QStringLiteral("Against the snapshot &before it"), this);
    fromBefore_->setObjectName(QStringLiteral("optFromBefore"));
    fromFile_->setChecked(true);
    showCodes_ = new QCheckBox(QStringLiteral("&Show codes"), this);
    showCodes_->setObjectName(QStringLiteral("chkShowCodes"));
    showCodes_->setToolTip(
        QStringLiteral("Show the unlock, lock and terminator codes in the differences"));
    auto* against = new QButtonGroup(this);
    against->addButton(fromFile_);
    against->addButton(fromBefore_);
    tabStopOnChecked(against);
    table_ = differenceTable(this);
    // Neither has a label of its own: a screen reader names them as a sighted reader sees them.
    describe(list_, QStringLiteral("Snapshots"),
             QStringLiteral("The controller's snapshots, newest first, with what each changed"));
    describe(table_, QStringLiteral("Differences"));

    open_ = new QPushButton(QStringLiteral("&Open"), this);
    open_->setObjectName(QStringLiteral("cmdOpen"));
    open_->setToolTip(QStringLiteral("Open a copy of this snapshot as a database"));
    auto* close = new QPushButton(QStringLiteral("&Close"), this);
    close->setObjectName(QStringLiteral("cmdClose"));
    close->setDefault(true);
    connect(open_, &QPushButton::clicked, this, [this] {
        const int row = list_->currentRow();
        if (row < 0)
            return;
        chosen_ = snapshots_[static_cast<std::size_t>(row)].file;
        accept();
    });
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(list_, &QListWidget::currentRowChanged, this, [this] { showSelected(); });
    connect(fromFile_, &QRadioButton::toggled, this, [this] { showSelected(); });
    connect(showCodes_, &QCheckBox::toggled, this, [this] { showSelected(); });

    auto* right = new QWidget(this);
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    auto* choice = new QHBoxLayout;
    choice->addWidget(fromFile_);
    choice->addWidget(fromBefore_);
    choice->addStretch();
    choice->addWidget(showCodes_);
    rightLayout->addLayout(choice);
    rightLayout->addWidget(summary_);
    rightLayout->addWidget(table_);
    auto* split = new QSplitter(this);
    split->addWidget(list_);
    split->addWidget(right);
    split->setStretchFactor(1, 1);
    // The list wide enough for its rows, the rest to the table.
    const int listWidth = list_->sizeHintForColumn(0) + 2 * list_->frameWidth() + 8;
    split->setSizes({listWidth, 620});
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(open_);
    buttons->addStretch();
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(split);
    layout->addLayout(buttons);
    resize(listWidth + 680, 460);
    list_->setCurrentRow(0);
    showSelected();
}

void HistoryWindow::showSelected() {
    const int row = list_->currentRow();
    open_->setEnabled(row >= 0 && contents_[static_cast<std::size_t>(row)].has_value());
    if (row < 0)
        return;
    const auto i = static_cast<std::size_t>(row);
    const QString time = QString::fromStdString(snapshots_[i].time);
    std::vector<SettingDifference> differences;
    if (!contents_[i]) {
        summary_->setText(QStringLiteral("The snapshot of %1 cannot be read.").arg(time));
    } else if (fromFile_->isChecked()) {
        differences = differencesFromSnapshot(file_, *contents_[i]);
        summary_->setText(
            differences.empty()
                ? QStringLiteral("The controller held what this file would send at %1.").arg(time)
                : QStringLiteral("%1 of this file would run differently from what the "
                                 "controller held at %2.")
                      .arg(settings(differences.size()), time));
    } else if (i + 1 == snapshots_.size()) {
        summary_->setText(
            QStringLiteral("The snapshot of %1 is the first: none came before it.").arg(time));
    } else if (!contents_[i + 1]) {
        summary_->setText(QStringLiteral("The snapshot before it cannot be read."));
    } else {
        differences = snapshotChanges(*contents_[i + 1], *contents_[i]);
        summary_->setText(QStringLiteral("%1 changed on the controller between %2 and %3.")
                              .arg(settings(differences.size()),
                                   QString::fromStdString(snapshots_[i + 1].time), time));
    }
    if (!showCodes_->isChecked())
        differences = withCodesHidden(std::move(differences));
    if (fromFile_->isChecked())
        showDifferences(table_, differences, QStringLiteral("In the file"),
                        QStringLiteral("In the snapshot"));
    else
        showDifferences(table_, differences, QStringLiteral("Before"),
                        QStringLiteral("In the snapshot"));
}

}  // namespace kelp
