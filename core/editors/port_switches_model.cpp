#include "core/editors/port_switches_model.h"

namespace kelp {

namespace {

// Each port's switches with the upload group its value travels in. Apply copies the
// ID timer start after the others, as the controller's own sequence does.
struct PortSwitch {
    const char* key;
    UploadFlag flag;
    FieldKind kind;
};

const std::vector<PortSwitch>& portSwitchTable() {
    using U = UploadFlag;
    using K = FieldKind;
    // Option button pairs are two-state values like check boxes: "0" for the first button,
    // "1" for the second.
    static const std::vector<PortSwitch> table{
        {"TxEnable", U::TransmitterEnable, K::Check},
        {"RxEnable", U::ReceiverEnable, K::Check},
        {"FDup", U::RepeaterMode, K::Check},
        {"DTMFEnable", U::DtmfEnable, K::Check},
        {"DTMFNeedPL", U::DtmfRequireTone, K::Check},
        {"DTMFMute", U::DtmfMute, K::Check},
        {"DTMFCovertone", U::DtmfCovertone, K::Check},
        {"MonMix", U::MonitorMix, K::Check},
        {"Kerchunk", U::KerchunkFilter, K::Check},
        {"SpeechOverride", U::SpeechOverride, K::Check},
        {"SpeechIDOverride", U::SpeechIdOverride, K::Check},
        {"PLAccess", U::AccessMode, K::List},
        {"CTCSSID", U::ToneEncodeDuringId, K::Check},
        {"CTCSSCT", U::ToneEncodeTimerStart, K::Check},
        {"COSClose", U::DtmfEvaluateOnClosure, K::Check},
        {"PLEncodePolarity", U::ToneEncodePolarity, K::Check},
        {"IDStartSelect", U::IdTimerStart, K::Check},
    };
    return table;
}

FieldSpec switchField(std::string key, FieldIndexing indexing, FieldKind kind, UploadFlag flag) {
    FieldSpec f;
    f.key = std::move(key);
    f.indexing = indexing;
    f.kind = kind;
    f.numeric = false;
    f.flag = flag;
    return f;
}

}  // namespace

const ChoiceList& accessModeList() {
    static const ChoiceList list({{"Carrier", 0, "0"}, {"Tone & Carrier", 1, "1"}});
    return list;
}

std::vector<FieldSpec> portSwitchesFields() {
    std::vector<FieldSpec> fields;
    for (const PortSwitch& s : portSwitchTable())
        fields.push_back(switchField(s.key, FieldIndexing::PerPort, s.kind, s.flag));
    fields.push_back(switchField("AllowTerminatorSpeech", FieldIndexing::Single, FieldKind::Check,
                                 UploadFlag::AllowTerminatorSpeech));
    return fields;
}

PortSwitchesModel::PortSwitchesModel(ControllerDatabase& database)
    : EditorModel(database, Area::PortSwitches, portSwitchesFields()) {}

bool PortSwitchesModel::portSwitchesPending(int port) const {
    for (const PortSwitch& s : portSwitchTable())
        if (database().uploadFlag(s.flag, port))
            return true;
    return false;
}

void PortSwitchesModel::afterApply() {
    // A port whose switches still wait for the controller keeps the database marked unsaved,
    // even when this Apply changed nothing.
    for (int port = 1; port <= 3; ++port)
        if (portSwitchesPending(port))
            database().saved = false;
}

}  // namespace kelp
