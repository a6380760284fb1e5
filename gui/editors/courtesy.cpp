#include "gui/editors/courtesy.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "core/app/busy_state.h"
#include "core/database/controller_database.h"
#include "core/editors/field_units.h"
#include "core/link/sound_output.h"
#include "gui/accessibility.h"
#include "gui/busy_follower.h"

namespace kelp {

namespace {

QString indexed(const QString& name, int index) {
    return QStringLiteral("%1(%2)").arg(name).arg(index);
}

QLabel* labelFor(const QString& text, QWidget* buddy, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setBuddy(buddy);
    return label;
}

QLabel* buttonNote(QWidget* parent) {
    auto* label = new QLabel(QStringLiteral("All Ports/All Courtesy Tones"), parent);
    label->setAlignment(Qt::AlignHCenter);
    label->setWordWrap(true);
    return label;
}

}  // namespace

// ---- the picture -------------------------------------------------------------------------

CourtesyToneDiagram::CourtesyToneDiagram(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("ToneDiagram"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QSize CourtesyToneDiagram::sizeHint() const {
    return {480, fontMetrics().height() * 5 + 24};
}

QSize CourtesyToneDiagram::minimumSizeHint() const {
    return {240, sizeHint().height()};
}

void CourtesyToneDiagram::setShape(const CourtesyShape& shape) {
    timeline_ = courtesyTimeline(shape);
    update();
}

void CourtesyToneDiagram::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, false);
    const QFontMetrics fm = fontMetrics();
    const int line = fm.height();
    const int left = 8;
    const int right = width() - 8;
    const int span = std::max(right - left, 1);
    const int labelTop = 2;
    const int barTop = labelTop + 2 * line + 2;
    const int barHeight = line + 4;
    const int axisY = barTop + barHeight + 4;
    const int total = std::max(timeline_.totalMs, 1);
    const auto x = [&](int ms) {
        return left + static_cast<int>(static_cast<qint64>(ms) * span / total);
    };

    p.fillRect(rect(), palette().color(QPalette::Base));
    // The time axis, with the start and the end of the tone.
    p.setPen(palette().color(QPalette::Text));
    p.drawLine(left, axisY, right, axisY);
    p.drawLine(left, axisY - 3, left, axisY + 3);
    p.drawLine(right, axisY - 3, right, axisY + 3);
    p.drawText(QRect(left, axisY + 4, span, line), Qt::AlignLeft,
               QString::fromStdString(courtesyAxisText(0)));
    p.drawText(QRect(left, axisY + 4, span, line), Qt::AlignRight,
               QString::fromStdString(courtesyAxisText(timeline_.totalMs)));

    if (timeline_.totalMs == 0) {
        p.drawText(QRect(left, barTop, span, barHeight), Qt::AlignCenter,
                   QString::fromLatin1(kCourtesyNoSoundText));
        return;
    }
    const QColor fills[] = {QColor(70, 130, 180), QColor(60, 160, 110), QColor(200, 140, 40),
                            QColor(150, 90, 170)};
    for (const CourtesyBar& bar : timeline_.bars) {
        const int x0 = x(bar.startMs);
        const int x1 = std::max(x(bar.endMs), x0 + 1);
        if (bar.endMs == bar.startMs)
            continue;
        const QRect r(x0, barTop, x1 - x0, barHeight);
        const QColor fill = fills[(bar.segment - 1) % 4];
        if (bar.silent()) {
            p.setPen(QPen(fill, 1, Qt::DashLine));
            p.setBrush(QBrush(fill, Qt::BDiagPattern));
        } else {
            p.setPen(fill.darker(130));
            p.setBrush(fill);
        }
        p.drawRect(r.adjusted(0, 0, -1, -1));
        p.setPen(bar.silent() ? palette().color(QPalette::Text) : QColor(Qt::white));
        p.drawText(r, Qt::AlignCenter, QString::number(bar.segment));
        // The two tones above the bar; segments alternate rows so that neighbours never
        // print over each other.
        const QString tones = QString::fromStdString(courtesyTonesText(bar));
        const int row = (bar.segment - 1) % 2;
        const int w = fm.horizontalAdvance(tones);
        const int cx = std::clamp((x0 + x1) / 2 - w / 2, left, std::max(left, right - w));
        p.setPen(fill.darker(150));
        p.drawText(QRect(cx, labelTop + row * line, w + 2, line), Qt::AlignLeft, tones);
    }
}

// ---- the window --------------------------------------------------------------------------

Courtesy::Courtesy(QWidget* parent)
    : EditorWindow(std::make_unique<CourtesyModel>(db()), QStringLiteral("Courtesy Tones"),
                   parent) {
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(captionLabel());
    auto* body = new QHBoxLayout;
    layout->addLayout(body, 1);

    sstab_ = new QTabWidget(this);
    sstab_->setObjectName(QStringLiteral("SSTab1"));
    for (int port = 1; port <= 3; ++port)
        sstab_->addTab(buildPortTab(port), QStringLiteral("Port %1").arg(port));
    bindTabs(sstab_);
    // Another port's tab is another courtesy tone: what is playing stops.
    connect(sstab_, &QTabWidget::currentChanged, this, [this] { stopPreview(); });
    body->addWidget(sstab_, 1);

    auto* side = new QVBoxLayout;
    side->addSpacing(sstab_->tabBar()->sizeHint().height());
    side->addWidget(applyButton());
    side->addWidget(buttonNote(this));
    side->addSpacing(12);
    cancel_ = cancelChangesButton(QStringLiteral("&Cancel Changes"));
    connect(cancel_, &QPushButton::clicked, this, [this] { stopPreview(); });
    side->addWidget(cancel_);
    side->addWidget(buttonNote(this));
    side->addSpacing(24);
    preview_ = new QPushButton(QStringLiteral("&Preview"), this);
    preview_->setObjectName(QStringLiteral("Preview"));
    preview_->setAutoDefault(false);
    connect(preview_, &QPushButton::clicked, this, &Courtesy::previewClicked);
    side->addWidget(preview_);
    side->addStretch(1);
    body->addLayout(side);

    openWindow();
    for (int port = 1; port <= 3; ++port) SetCourtesyToneDisplay(port, 1);
}

Courtesy::~Courtesy() {
    *alive_ = false;
    if (previewing_)
        currentSoundOutput().stop();
}

QWidget* Courtesy::buildPortTab(int port) {
    auto* page = new QWidget;
    auto* outer = new QVBoxLayout(page);

    auto* select = new QHBoxLayout;
    auto* list = new QComboBox(page);
    list->setObjectName(indexed(QStringLiteral("CTSet"), port));
    for (int n = 1; n <= CourtesyModel::kTones; ++n) list->addItem(QString::number(n), n);
    ctSet_[static_cast<std::size_t>(port - 1)] = list;
    connect(list, qOverload<int>(&QComboBox::currentIndexChanged), this, [this, port, list](int i) {
        if (i < 0)
            return;
        const int shown = courtesy().selectedTone(port);
        if (courtesy().holdsRefusedValue(port, shown)) {
            // A refused value stays in sight until it is corrected: Apply could neither show
            // it nor put the focus into its box once another tone had taken the boxes.
            const QSignalBlocker quiet(list);
            list->setCurrentIndex(shown - 1);
            return;
        }
        SetCourtesyToneDisplay(port, list->itemData(i).toInt());
    });
    select->addWidget(labelFor(QStringLiteral("Courtesy Tone Select"), list, page));
    select->addWidget(list);
    select->addStretch(1);
    outer->addLayout(select);

    auto* frames = new QGridLayout;
    frames->setHorizontalSpacing(8);
    frames->setVerticalSpacing(6);
    const int first = CourtesyModel::entry(port, 1);
    auto& boxes = boxes_[static_cast<std::size_t>(port - 1)];
    for (int s = 1; s <= CourtesyModel::kSegments; ++s) {
        auto* frame = new QGroupBox(QStringLiteral("Segment %1").arg(s), page);
        frame->setObjectName(QStringLiteral("Segment%1(%2)").arg(s).arg(port));
        auto* grid = new QGridLayout(frame);
        grid->setHorizontalSpacing(6);
        grid->setVerticalSpacing(3);
        grid->setContentsMargins(8, 4, 8, 4);
        const struct {
            std::string key;
            QString name;
            QString label;
            int box;
        } rows[] = {
            {CourtesyModel::delayKey(s), QStringLiteral("Delay%1Set").arg(s),
             QStringLiteral("Delay To This Segment"), s - 1},
            {CourtesyModel::durationKey(s), QStringLiteral("Dur%1Set").arg(s),
             QStringLiteral("Duration"), 3 + s},
            {CourtesyModel::toneKey(2 * s - 1), QStringLiteral("Tone%1Set").arg(2 * s - 1),
             QStringLiteral("Tone 1"), 7 + 2 * s - 1},
            {CourtesyModel::toneKey(2 * s), QStringLiteral("Tone%1Set").arg(2 * s),
             QStringLiteral("Tone 2"), 7 + 2 * s},
        };
        int row = 0;
        for (const auto& r : rows) {
            QLineEdit* box = textBox(indexed(r.name, port), r.key, first);
            boxes[static_cast<std::size_t>(r.box)] = box;
            grid->addWidget(labelFor(r.label, box, frame), row, 0);
            grid->addWidget(box, row, 1);
            grid->addWidget(new QLabel(QString::fromStdString(fieldUnit(r.key)), frame), row, 2);
            ++row;
        }
        grid->setColumnStretch(3, 1);
        frames->addWidget(frame, (s - 1) / 2, (s - 1) % 2);
    }
    outer->addLayout(frames);

    auto* diagram = new CourtesyToneDiagram(page);
    diagram->setObjectName(indexed(QStringLiteral("ToneDiagram"), port));
    markPicture(diagram, QStringLiteral("Port %1, picture of the courtesy tone").arg(port));
    diagrams_[static_cast<std::size_t>(port - 1)] = diagram;
    outer->addWidget(diagram);

    auto* note = new QLabel(QStringLiteral("Note: Setting Segment 1, Tone 1 to less than 41 will "
                                           "cause QZ740 to use Message Macro 1 - 40 for Courtesy "
                                           "Tone"),
                            page);
    note->setObjectName(indexed(QStringLiteral("lblNote"), port));
    note->setWordWrap(true);
    outer->addWidget(note);
    outer->addStretch(1);
    return page;
}

void Courtesy::SetCourtesyToneDisplay(int port, int tone) {
    courtesy().selectTone(port, tone);
    const int e = CourtesyModel::entry(port, tone);
    for (QLineEdit* box : boxes_[static_cast<std::size_t>(port - 1)]) rebind(box, e);
    QComboBox* list = toneSelect(port);
    if (list->currentIndex() != tone - 1) {
        const QSignalBlocker quiet(list);
        list->setCurrentIndex(tone - 1);
    }
    refreshDiagram(port);
}

void Courtesy::refreshDiagram(int port) {
    CourtesyToneDiagram* d = diagram(port);
    if (d == nullptr)
        return;
    d->setShape(courtesy().shape(port, courtesy().selectedTone(port)));
    const QString summary = QString::fromStdString(courtesySummary(d->timeline()));
    if (d->accessibleDescription() != summary)
        describe(d, d->accessibleName(), summary);
}

void Courtesy::updateEnabledStates() {
    // After Apply and Cancel Changes every port shows its selected tone again.
    for (int port = 1; port <= 3; ++port) refreshDiagram(port);
}

void Courtesy::afterEdit(const std::string& /*key*/, int index) {
    refreshDiagram((index - 1) / kCourtesyTones + 1);
}

void Courtesy::hideEvent(QHideEvent* event) {
    // Another tab of the main window, or the window closing.
    stopPreview();
    EditorWindow::hideEvent(event);
}

void Courtesy::stopPreview() {
    if (!previewing_)
        return;
    stopRequested_ = true;
    restartPreview_ = false;
    currentSoundOutput().stop();
}

void Courtesy::previewClicked() {
    if (previewing_) {
        // A second Preview: the first stops, then the tone plays again from its start.
        stopPreview();
        restartPreview_ = true;
        return;
    }
    // Played from the event loop rather than inside the button's click. While it plays, only
    // its own buttons are live: Preview again, and Cancel Changes, which stops it.
    BusyFollower::keepLive({preview_, cancel_});
    QTimer::singleShot(0, this, &Courtesy::runPreview);
}

void Courtesy::runPreview() {
    BusyGuard busy("The courtesy tone preview");
    const std::shared_ptr<bool> alive = alive_;
    do {
        restartPreview_ = false;
        stopRequested_ = false;
        previewing_ = true;
        const int port = courtesy().currentPort();
        const CourtesyShape shape = courtesy().shape(port, courtesy().selectedTone(port));
        const PreviewEnd end =
            playCourtesyTone(shape, [this, alive] { return !*alive || stopRequested_; });
        if (!*alive)
            return;
        previewing_ = false;
        if (end == PreviewEnd::SoundFailed)
            return;
    } while (restartPreview_);
}

}  // namespace kelp
