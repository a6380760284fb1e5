#include "gui/editors/port_switches.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include "core/database/controller_database.h"
#include "core/editors/field_help.h"
#include "gui/accessibility.h"

namespace kelp {

namespace {

QString indexed(const char* name, int index) {
    return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(index);
}

QString portCaption(int port) {
    return QStringLiteral("Port %1").arg(port);
}

// The plain check boxes of a port's frame, in the order they are shown.
struct SwitchBox {
    const char* key;  // also the control's name
    const char* caption;
};
constexpr SwitchBox kSwitchBoxes[] = {
    {"TxEnable", "Transmitter Enable"},
    {"RxEnable", "Receiver Enable"},
    {"FDup", "Repeater Mode"},
    {"DTMFEnable", "DTMF Enable"},
    {"DTMFNeedPL", "DTMF Require Tone"},
    {"DTMFMute", "DTMF Mute"},
    {"DTMFCovertone", "DTMF Covertone"},
    {"MonMix", "Monitor Mix"},
    {"Kerchunk", "Kerchunk Filter"},
    {"SpeechOverride", "Speech Override"},
    {"SpeechIDOverride", "Speech ID Override"},
};

}  // namespace

PortSwitches::PortSwitches(QWidget* parent)
    : EditorWindow(std::make_unique<PortSwitchesModel>(db()), QStringLiteral("Port Switches"),
                   parent) {
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(captionLabel());

    // The switches scroll on a short screen (1024x768 with a panel); the Apply row below them
    // stays in view.
    auto* content = new QWidget;
    auto* switches = new QVBoxLayout(content);
    switches->setContentsMargins(0, 0, 0, 0);
    auto* ports = new QHBoxLayout;
    for (int port = 1; port <= 3; ++port) ports->addWidget(buildPortFrame(port), 1);
    switches->addLayout(ports);

    auto* pairs = new QHBoxLayout;
    pairs->addWidget(
        buildPairFrame(QStringLiteral("DTMF Evaluate On Closure"), "COSClose", "COSCloseSet",
                       QStringLiteral("COS"), "PLCloseSet", QStringLiteral("Tone")),
        1);
    pairs->addWidget(buildPairFrame(QStringLiteral("Tone Encode Polarity"), "PLEncodePolarity",
                                    "PLLow", QStringLiteral("Lo"), "PLHigh", QStringLiteral("Hi")),
                     1);
    switches->addLayout(pairs);
    switches->addStretch(1);
    auto* scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("PortSwitchesScroll"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setWidget(content);
    layout->addWidget(scroll, 1);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(checkBox(QStringLiteral("AllowTerminatorSpeechSet"),
                               QStringLiteral("Allow Speech w/Terminator"), "AllowTerminatorSpeech",
                               0));
    bottom->addStretch(1);
    bottom->addWidget(applyButton());
    bottom->addWidget(cancelChangesButton(QStringLiteral("&Cancel Changes")));
    layout->addLayout(bottom);

    openWindow();
}

QGroupBox* PortSwitches::buildPortFrame(int p) {
    auto* frame = new QGroupBox(portCaption(p), this);
    frame->setObjectName(indexed("fraPort", p));
    auto* v = new QVBoxLayout(frame);
    v->setSpacing(2);
    for (const SwitchBox& s : kSwitchBoxes)
        v->addWidget(checkBox(indexed(s.key, p), QString::fromLatin1(s.caption), s.key, p));

    auto* access = new QHBoxLayout;
    auto* accessLabel = new QLabel(QStringLiteral("Access Mode"), frame);
    QComboBox* accessList = choiceList(indexed("AccessMode", p), "PLAccess", p,
                                       accessModeList().listEntries(), ListSelect::ByItemData);
    accessLabel->setBuddy(accessList);
    access->addWidget(accessLabel);
    access->addWidget(accessList);
    access->addStretch(1);
    v->addSpacing(4);
    v->addLayout(access);

    auto* tone = new QGroupBox(QStringLiteral("Tone Encode Control"), frame);
    {
        auto* t = new QVBoxLayout(tone);
        t->setSpacing(2);
        t->addWidget(
            checkBox(indexed("PLID", p), QStringLiteral("ON During ID/Speech"), "CTCSSID", p));
        optionPair(tone, "PLCOS", QStringLiteral("Timer Starts After COS"), "PLCT",
                   QStringLiteral("Timer Starts After CT"), "CTCSSCT", p);
        const OptionPair& pair = pairs_.back();
        t->addWidget(pair.first);
        t->addWidget(pair.second);
    }
    v->addWidget(tone);

    auto* idStart = new QGroupBox(QStringLiteral("ID Timer Start"), frame);
    {
        auto* h = new QHBoxLayout(idStart);
        optionPair(idStart, "IDCOSSelect", QStringLiteral("On COS"), "IDPTTSelect",
                   QStringLiteral("On PTT"), "IDStartSelect", p);
        const OptionPair& pair = pairs_.back();
        h->addWidget(pair.first);
        h->addWidget(pair.second);
        h->addStretch(1);
    }
    v->addWidget(idStart);
    v->addStretch(1);
    return frame;
}

QGroupBox* PortSwitches::buildPairFrame(const QString& title, const char* key,
                                        const char* firstName, const QString& firstText,
                                        const char* secondName, const QString& secondText) {
    auto* frame = new QGroupBox(title, this);
    auto* h = new QHBoxLayout(frame);
    for (int p = 1; p <= 3; ++p) {
        auto* sub = new QGroupBox(portCaption(p), frame);
        auto* v = new QVBoxLayout(sub);
        v->setSpacing(2);
        optionPair(sub, firstName, firstText, secondName, secondText, key, p);
        v->addWidget(pairs_.back().first);
        v->addWidget(pairs_.back().second);
        h->addWidget(sub, 1);
    }
    return frame;
}

void PortSwitches::optionPair(QWidget* parent, const char* firstName, const QString& firstText,
                              const char* secondName, const QString& secondText,
                              const std::string& key, int port) {
    OptionPair pair;
    pair.first = new QRadioButton(firstText, parent);
    pair.first->setObjectName(indexed(firstName, port));
    pair.second = new QRadioButton(secondText, parent);
    pair.second->setObjectName(indexed(secondName, port));
    pair.key = key;
    pair.port = port;
    // Each pair is its own group, whatever frame it shares with other buttons.
    // Read as the setting, then the choice: "Port 2, DTMF Evaluate On Closure, COS".
    const std::vector<ListEntry> choices = {{firstText.toStdString(), 0},
                                            {secondText.toStdString(), 1}};
    const FieldHelp help = fieldHelp(key, 0, port, FieldKind::List, choices);
    for (QRadioButton* b : {pair.first, pair.second})
        describe(b, FieldHelp{help.name + ", " + b->text().toStdString(), help.description});
    auto* group = new QButtonGroup(this);
    group->addButton(pair.first, 0);
    group->addButton(pair.second, 1);
    pairs_.push_back(pair);
    connect(group, &QButtonGroup::idToggled, this, [this, pair](int id, bool on) {
        if (showingPairs_ || !on)
            return;
        model().editChoice(pair.key, pair.port, id);
        colourPair(pair);
    });
}

void PortSwitches::showPair(const OptionPair& pair) {
    const bool second = model().value(pair.key, pair.port) == "1";
    (second ? pair.second : pair.first)->setChecked(true);
}

void PortSwitches::colourPair(const OptionPair& pair) {
    const bool changed = model().differs(pair.key, pair.port);
    showChanged(pair.first, changed);
    showChanged(pair.second, changed);
}

void PortSwitches::updateEnabledStates() {
    const bool wasShowing = showingPairs_;
    showingPairs_ = true;
    for (const OptionPair& pair : pairs_) {
        showPair(pair);
        colourPair(pair);
    }
    showingPairs_ = wasShowing;
}

}  // namespace kelp
