#include "gui/editors/timers.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "core/catalogues/choice_lists.h"
#include "core/database/controller_database.h"
#include "core/editors/field_units.h"

namespace kelp {

namespace {

QString indexed(const char* name, int index) {
    return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(index);
}

QString unit(const char* key) {
    return QString::fromStdString(fieldUnit(key));
}

QLabel* note(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    QFont font = label->font();
    font.setItalic(true);
    label->setFont(font);
    return label;
}

// One "label  [control]  unit" row of a grid.
void addRow(QGridLayout* grid, const QString& label, QWidget* control, const QString& unit = {}) {
    const int row = grid->rowCount();
    auto* caption = new QLabel(label);
    caption->setBuddy(control);
    grid->addWidget(caption, row, 0);
    if (unit.isEmpty()) {
        // Lists are wider than the boxes: they take the unit column too.
        grid->addWidget(control, row, 1, 1, 2, Qt::AlignLeft);
    } else {
        grid->addWidget(control, row, 1, Qt::AlignLeft);
        grid->addWidget(new QLabel(unit), row, 2);
    }
}

QGridLayout* gridOf(QGroupBox* box) {
    auto* grid = new QGridLayout(box);
    grid->setColumnStretch(3, 1);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(4);
    return grid;
}

}  // namespace

Timers::Timers(QWidget* parent)
    : EditorWindow(std::make_unique<TimersModel>(db()), QStringLiteral("Timers"), parent) {
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(captionLabel());

    sstab_ = new QTabWidget(this);
    sstab_->setObjectName(QStringLiteral("SSTab1"));
    for (int port = 1; port <= 3; ++port)
        sstab_->addTab(buildPortTab(port), QStringLiteral("Port %1").arg(port));
    sstab_->addTab(buildGlobalTab(), QStringLiteral("Global"));
    bindTabs(sstab_);
    layout->addWidget(sstab_, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(applyButton());
    buttons->addWidget(cancelChangesButton());
    layout->addLayout(buttons);

    openWindow();
}

QWidget* Timers::buildPortTab(int p) {
    auto* page = new QWidget;
    auto* columns = new QHBoxLayout(page);
    auto* left = new QVBoxLayout;
    auto* right = new QVBoxLayout;
    columns->addLayout(left, 1);
    columns->addLayout(right, 1);

    auto* hang = new QGroupBox(QStringLiteral("Hang Timers"), page);
    {
        QGridLayout* g = gridOf(hang);
        addRow(g, QStringLiteral("#1"), textBox(indexed("HangTimer1", p), "HangTime1", p),
               unit("HangTime1"));
        addRow(g, QStringLiteral("#2"), textBox(indexed("HangTimer2", p), "HangTime2", p),
               unit("HangTime2"));
        addRow(g, QStringLiteral("#3"), textBox(indexed("HangTimer3", p), "HangTime3", p),
               unit("HangTime3"));
    }
    left->addWidget(hang);

    auto* timeout = new QGroupBox(page);
    {
        QGridLayout* g = gridOf(timeout);
        addRow(g, QStringLiteral("Timeout Timer"),
               textBox(indexed("TimeOutTimer", p), "TimeOut", p), unit("TimeOut"));
        auto* reset = choiceList(indexed("TOTResetSet", p), "TOTReset", p,
                                 totResetPointList().listEntries(), ListSelect::ByItemData);
        addRow(g, QStringLiteral("TOT Reset Point"), reset);
        addRow(g, QStringLiteral("TOT Reset Timer"),
               textBox(indexed("TOTResetTimerSet", p), "TOTResetTimer", p), unit("TOTResetTimer"));
    }
    left->addWidget(timeout);

    auto* others = new QGroupBox(page);
    {
        QGridLayout* g = gridOf(others);
        addRow(g, QStringLiteral("DTMF Mute Timer"),
               textBox(indexed("DTMFTimer", p), "DTMFTime", p), unit("DTMFTime"));
        addRow(g, QStringLiteral("Encode Timer"), textBox(indexed("CTCSSTimer", p), "CTCSSTime", p),
               unit("CTCSSTime"));
        addRow(g, QStringLiteral("Kerchunk Timer"),
               textBox(indexed("KerchunkTimer", p), "KerchunkTime", p), unit("KerchunkTime"));
        addRow(g, QStringLiteral("Kerchunk Timeout"),
               textBox(indexed("KerchunkTimeoutSet", p), "KerchunkTimeout", p),
               unit("KerchunkTimeout"));
    }
    left->addWidget(others);
    left->addStretch(1);

    auto* ids = new QGroupBox(page);
    {
        QGridLayout* g = gridOf(ids);
        addRow(g, QStringLiteral("Initial ID Timer"), textBox(indexed("IIDTimer", p), "IIDTime", p),
               unit("IIDTime"));
        addRow(g, QStringLiteral("Pending ID Timer"), textBox(indexed("PIDTimer", p), "PIDTime", p),
               unit("PIDTime"));
        g->addWidget(note(QStringLiteral("(note: setting this to 0 will disable IDs)"), ids),
                     g->rowCount(), 0, 1, 4);
        addRow(g, QStringLiteral("Pending ID Speech Timer"),
               textBox(indexed("IDSpeakTimer", p), "IDSpeakTime", p), unit("IDSpeakTime"));
    }
    right->addWidget(ids);

    auto* inactivity = new QGroupBox(QStringLiteral("Inactivity Timer"), page);
    {
        QGridLayout* g = gridOf(inactivity);
        addRow(g, QStringLiteral("Timer"), textBox(indexed("InactiveTimer", p), "InActiveTime", p),
               unit("InActiveTime"));
        addRow(g, QStringLiteral("Macro To Use"),
               choiceList(indexed("InActivityMacroSet", p), "InActivityMacro", p,
                          macroList().listEntries(), ListSelect::ByPosition));
        g->addWidget(note(QStringLiteral("Note: Setting Timer to 0 will disable Inactivity Timer"),
                          inactivity),
                     g->rowCount(), 0, 1, 4);
    }
    right->addWidget(inactivity);

    auto* tail = new QGroupBox(QStringLiteral("Tail Message Program"), page);
    {
        QGridLayout* g = gridOf(tail);
        addRow(g, QStringLiteral("Tail Msg #"),
               choiceList(indexed("TailMessageNumSet", p), "TailMessageNum", p,
                          tailMessageList().listEntries(), ListSelect::ByItemData));
        int row = g->rowCount();
        TailLabels& labels = tailLabels_[static_cast<std::size_t>(p)];
        labels.timer = new QLabel(QStringLiteral("Timer"), tail);
        labels.timer->setObjectName(indexed("lblTailTimer", p));
        labels.timerUnit = new QLabel(QLatin1Char(' ') + unit("AnnounceTime"), tail);
        QLineEdit* announce = textBox(indexed("AnnounceTimer", p), "AnnounceTime", p);
        labels.timer->setBuddy(announce);
        g->addWidget(labels.timer, row, 0);
        g->addWidget(announce, row, 1, Qt::AlignLeft);
        g->addWidget(labels.timerUnit, row, 2);
        row = g->rowCount();
        labels.counter = new QLabel(QStringLiteral("Tail Counter"), tail);
        labels.counter->setObjectName(indexed("lblTailCounter", p));
        QLineEdit* counter = textBox(indexed("TailCounterSet", p), "TailCounter", p);
        labels.counter->setBuddy(counter);
        g->addWidget(labels.counter, row, 0);
        g->addWidget(counter, row, 1, Qt::AlignLeft);

        row = g->rowCount();
        g->addWidget(new QLabel(QStringLiteral("Macro To Use"), tail), row, 0, 1, 3);
        const char* keys[] = {"P1MessageNum", "P2MessageNum", "P3MessageNum"};
        for (int n = 1; n <= 3; ++n) {
            auto* list = choiceList(indexed("MessageNumSet", 3 * (p - 1) + n), keys[p - 1], n,
                                    macroList().listEntries(), ListSelect::ByPosition);
            addRow(g, QStringLiteral("Msg %1").arg(n), list);
        }
    }
    right->addWidget(tail);
    right->addStretch(1);
    return page;
}

QWidget* Timers::buildGlobalTab() {
    auto* page = new QWidget;
    auto* outer = new QVBoxLayout(page);
    auto* heading = new QLabel(QStringLiteral("All Ports and Global"), page);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    outer->addWidget(heading);

    auto* columns = new QHBoxLayout;
    outer->addLayout(columns, 1);
    auto* left = new QVBoxLayout;
    auto* right = new QVBoxLayout;
    columns->addLayout(left, 1);
    columns->addLayout(right, 1);

    auto* aux = new QGroupBox(QStringLiteral("Aux Audio Timers"), page);
    {
        QGridLayout* g = gridOf(aux);
        // The three timers share one unit label beside them.
        for (int i = 1; i <= 3; ++i) {
            auto* box = textBox(indexed("AuxTimer", i), "AuxTime", i);
            auto* caption = new QLabel(QString::number(i), aux);
            caption->setBuddy(box);
            g->addWidget(caption, i - 1, 0);
            g->addWidget(box, i - 1, 1);
        }
        g->addWidget(new QLabel(unit("AuxTime"), aux), 0, 2, 3, 1, Qt::AlignVCenter);
    }
    left->addWidget(aux);

    auto* fan = new QGroupBox(QStringLiteral("Fan"), page);
    {
        QGridLayout* g = gridOf(fan);
        auto* box = textBox(QStringLiteral("FanTimer"), "FanTime", 0);
        g->addWidget(box, 0, 0, Qt::AlignLeft);
        g->addWidget(new QLabel(unit("FanTime"), fan), 0, 1);
        g->addWidget(checkBox(QStringLiteral("FanSelect"), QStringLiteral("All Xmt Activity"),
                              "FanSelect", 0),
                     1, 0, 1, 3);
    }
    left->addWidget(fan);

    auto* delay = new QGroupBox(QStringLiteral("Speech/CW Delay"), page);
    {
        QGridLayout* g = gridOf(delay);
        addRow(g, QStringLiteral("Before Transmit"),
               textBox(QStringLiteral("XmtDelaySet"), "XmtDelay", 0), unit("XmtDelay"));
    }
    left->addWidget(delay);

    auto* link = new QGroupBox(QStringLiteral("Timeout Timer Control"), page);
    {
        auto* v = new QVBoxLayout(link);
        v->addWidget(checkBox(QStringLiteral("TimeoutLinkSet"),
                              QStringLiteral("Enable Linking Control"), "TimeoutLink", 0));
    }
    left->addWidget(link);
    left->addStretch(1);

    auto* general = new QGroupBox(QStringLiteral("General Timers"), page);
    {
        auto* g = new QGridLayout(general);
        g->setHorizontalSpacing(8);
        g->setVerticalSpacing(4);
        g->setColumnStretch(4, 1);
        g->addWidget(new QLabel(QStringLiteral("Macro To Use"), general), 0, 3);
        for (int i = 1; i <= 6; ++i) {
            auto* box = textBox(indexed("GeneralTimerSet", i), "GeneralTimer", i);
            auto* caption = new QLabel(QStringLiteral("Timer %1").arg(i), general);
            caption->setBuddy(box);
            g->addWidget(caption, i, 0);
            g->addWidget(box, i, 1);
            g->addWidget(new QLabel(unit("GeneralTimer"), general), i, 2);
            g->addWidget(choiceList(indexed("GeneralTimerMacroSet", i), "GeneralTimerMacro", i,
                                    macroList().listEntries(), ListSelect::ByPosition),
                         i, 3);
        }
    }
    right->addWidget(general);
    right->addStretch(1);
    return page;
}

void Timers::updateEnabledStates() {
    const TimersModel& m = timers();
    for (int p = 1; p <= 3; ++p) {
        const bool tail = m.tailControlsEnabled(p);
        for (QWidget* w : {control("TailCounter", p), control("AnnounceTime", p)})
            if (w)
                w->setEnabled(tail);
        const TailLabels& labels = tailLabels_[static_cast<std::size_t>(p)];
        for (QLabel* l : {labels.counter, labels.timer, labels.timerUnit})
            if (l)
                l->setEnabled(tail);
        if (QWidget* macro = control("InActivityMacro", p))
            macro->setEnabled(m.inactivityMacroEnabled(p));
    }
}

}  // namespace kelp
