#include "core/database/setting_flags.h"

#include <stdexcept>
#include <string>
#include <unordered_map>

#include "core/database/setting_compare.h"

namespace kelp {
namespace {

enum class FlagIndex {
    Own,      // the setting's own index (its port, its entry, 0 for a single key)
    Fixed,    // always `fixed`
    Segment,  // a courtesy segment table: courtesyFlagIndex(port, tone)
};

struct SettingFlagRow {
    const char* name;
    UploadFlag group;
    FlagIndex rule = FlagIndex::Own;
    int fixed = 0;
};

using U = UploadFlag;
constexpr FlagIndex kFixed = FlagIndex::Fixed;
constexpr FlagIndex kSegment = FlagIndex::Segment;

// clang-format off
constexpr SettingFlagRow kRows[] = {
    {"HangTime1", U::HangTimers},  // the three hang timers travel together
    {"HangTime2", U::HangTimers},
    {"HangTime3", U::HangTimers},
    {"TimeOut", U::TimeoutTimer},
    {"TOTReset", U::TotResetPoint},
    {"TOTResetTimer", U::TotResetTimer},
    {"IIDTime", U::InitialIdTimer},
    {"PIDTime", U::PendingIdTimer},
    {"InActiveTime", U::InactivityTimer},
    {"InActivityMacro", U::InactivityMacro},
    {"DTMFTime", U::DtmfMuteTimer},
    {"CTCSSTime", U::EncodeTimer},
    {"KerchunkTime", U::KerchunkTimer},
    {"KerchunkTimeout", U::KerchunkTimeout},
    {"IDSpeakTime", U::PendingIdSpeechTimer},
    {"TailMessageNum", U::TailMessageNumber},
    {"AnnounceTime", U::TailTimer},
    {"TailCounter", U::TailCounter},
    // P<port>MessageNum(i) is message i of that port's tail: one flag per port.
    {"P1MessageNum", U::TailMessageMacros, kFixed, 1},
    {"P2MessageNum", U::TailMessageMacros, kFixed, 2},
    {"P3MessageNum", U::TailMessageMacros, kFixed, 3},
    {"AuxTime", U::AuxAudioTimer},
    {"GeneralTimer", U::GeneralTimer},
    {"GeneralTimerMacro", U::GeneralTimer},
    {"FanTime", U::FanTimer},
    {"FanSelect", U::FanSelect},
    {"XmtDelay", U::TransmitDelay},
    {"TimeoutLink", U::TimeoutLink},
    {"AlarmLowMacroNum", U::AlarmLowMacro},
    {"AlarmHighMacroNum", U::AlarmHighMacro},
    {"Alarm", U::LogicAlarmEnable},
    {"DOW", U::SchedulerSetpoint},
    {"Monthly", U::SchedulerSetpoint},
    {"Week", U::SchedulerSetpoint},
    {"Hours", U::SchedulerSetpoint},
    {"Minutes", U::SchedulerSetpoint},
    {"MacroToRun", U::SchedulerSetpoint},
    {"TwentyFour", U::TwentyFour},
    {"SayHour", U::SayHour},
    {"SayYear", U::SayYear},
    {"ClockCorrection", U::ClockCorrection},
    {"Meter", U::MeterSetup},
    {"RealLow", U::MeterSetup},
    {"MeterLow", U::MeterSetup},
    {"RealHigh", U::MeterSetup},
    {"MeterHigh", U::MeterSetup},
    {"Vref", U::MeterSetup, kFixed, kVrefFlagIndex},
    {"MeterAlarmType", U::MeterAlarm},
    {"MeterNum", U::MeterAlarm},
    {"MeterSetPoint", U::MeterAlarm},
    {"MeterMacro", U::MeterAlarm},
    {"RadioType", U::RadioType},
    {"YaesuType", U::RadioType},
    {"RemoteBasePrefix", U::RemoteBasePrefix},
    {"FreqString", U::RemoteBaseMemories, kFixed, 0},  // the memories go as one group
    {"CTCSS", U::RemoteBaseMemories, kFixed, 0},
    {"CTCSSMode", U::RemoteBaseMemories, kFixed, 0},
    {"RadioMode", U::RemoteBaseMemories, kFixed, 0},
    {"VoiceID1", U::VoiceId1},
    {"VoiceID2", U::VoiceId2},
    {"VoiceID3", U::VoiceId3},
    {"CWID1", U::CwId1},
    {"CWID2", U::CwId2},
    {"CWSpeed", U::CwSpeed},
    {"CWTone1", U::CwTone1},
    {"CWTone2", U::CwTone2},
    {"SpeechEnable", U::SpeechIds},
    {"ConstantID", U::ConstantId},
    {"ID1Extras", U::IdExtras1},
    {"ID2Extras", U::IdExtras2},
    {"ID3Extras", U::IdExtras3},
    {"DTMFRegenPrefix", U::DtmfRegenerate, kFixed, 0},
    {"DTMFPort", U::DtmfRegenerate, kFixed, 0},
    {"DTMFSpeech", U::DtmfRegenerate, kFixed, 0},
    {"APPrefix", U::AutopatchPrefix},
    {"AnswerCode", U::AnswerCode},
    {"AutoDial", U::AutoDial},
    {"TollRestrict", U::TollRestrict},
    {"RingNumber", U::RingNumber},
    {"APTimeOut", U::AutopatchTimeout},
    {"EnablePatch", U::PatchPorts},
    {"PatchMute", U::PatchMute},
    {"DTMFTestPrefix", U::PadTestPrefix},
    {"PreAccessPrefix", U::PreAccessCode},
    {"PreProgramPrefix", U::PreCommandPrefix},
    {"MacroSubset", U::MacroSubset},
    {"MacroSubsetEnable", U::MacroSubsetEnable},
    {"DTMFMuteDigitSelect", U::DtmfMuteDigit},
    {"WindDirectionSelect", U::WindDirectionFormat},
    {"DR1Select", U::Dr1Mode},
    {"Macro", U::MacroFunctions},
    {"MacroCode", U::MacroCode},
    {"ShortMacro", U::ShortMacroFunctions},
    {"ShortMacroCode", U::ShortMacroCode},
    {"PortToAllow", U::PortToAllow},
    {"MessageMacro", U::MessageMacro},
    {"RcvMacroActive", U::RcvMacroActive},
    {"RcvMacroInactive", U::RcvMacroInactive},
    // Segment s of a courtesy tone: Delay<s>, Dur<s>, Tone<2s-1> and Tone<2s>.
    {"Delay1", U::CourtesySegment1, kSegment},
    {"Delay2", U::CourtesySegment2, kSegment},
    {"Delay3", U::CourtesySegment3, kSegment},
    {"Delay4", U::CourtesySegment4, kSegment},
    {"Dur1", U::CourtesySegment1, kSegment},
    {"Dur2", U::CourtesySegment2, kSegment},
    {"Dur3", U::CourtesySegment3, kSegment},
    {"Dur4", U::CourtesySegment4, kSegment},
    {"Tone1", U::CourtesySegment1, kSegment},
    {"Tone2", U::CourtesySegment1, kSegment},
    {"Tone3", U::CourtesySegment2, kSegment},
    {"Tone4", U::CourtesySegment2, kSegment},
    {"Tone5", U::CourtesySegment3, kSegment},
    {"Tone6", U::CourtesySegment3, kSegment},
    {"Tone7", U::CourtesySegment4, kSegment},
    {"Tone8", U::CourtesySegment4, kSegment},
    {"DTMF", U::DtmfMemory},
    {"DTMFDur", U::DtmfDuration},
    {"DTMFDelay", U::DtmfDelay},
    {"TxEnable", U::TransmitterEnable},
    {"RxEnable", U::ReceiverEnable},
    {"FDup", U::RepeaterMode},
    {"SpeechOverride", U::SpeechOverride},
    {"SpeechIDOverride", U::SpeechIdOverride},
    {"PLAccess", U::AccessMode},
    {"DTMFEnable", U::DtmfEnable},
    {"DTMFNeedPL", U::DtmfRequireTone},
    {"DTMFMute", U::DtmfMute},
    {"DTMFCovertone", U::DtmfCovertone},
    {"MonMix", U::MonitorMix},
    {"Kerchunk", U::KerchunkFilter},
    {"CTCSSID", U::ToneEncodeDuringId},
    {"CTCSSCT", U::ToneEncodeTimerStart},
    {"PLEncodePolarity", U::ToneEncodePolarity},
    {"COSClose", U::DtmfEvaluateOnClosure},
    {"IDStartSelect", U::IdTimerStart},
    {"AllowTerminatorSpeech", U::AllowTerminatorSpeech},
};
// clang-format on

const std::unordered_map<std::string_view, const SettingFlagRow*>& rowsByName() {
    static const auto rows = [] {
        std::unordered_map<std::string_view, const SettingFlagRow*> built;
        for (const SettingFlagRow& row : kRows) {
            if (findKey(row.name) == nullptr)
                throw std::logic_error(std::string("setting flag row for an unknown key ") +
                                       row.name);
            built.emplace(row.name, &row);
        }
        return built;
    }();
    return rows;
}

}  // namespace

std::optional<FlagRef> settingFlag(std::string_view name, int index, int port) {
    const auto& rows = rowsByName();
    const auto it = rows.find(name);
    if (it == rows.end())
        return std::nullopt;
    const SettingFlagRow& row = *it->second;
    switch (row.rule) {
        case FlagIndex::Own:
            return FlagRef{row.group, index};
        case FlagIndex::Fixed:
            return FlagRef{row.group, row.fixed};
        case FlagIndex::Segment:
            return FlagRef{row.group, courtesyFlagIndex(port, index)};
    }
    return std::nullopt;
}

std::optional<FlagRef> settingFlag(const KeyRef& ref) {
    return settingFlag(ref.key->name, ref.index, ref.port);
}

int flagDifferences(ControllerDatabase& database, const ControllerDatabase& previous) {
    return flagDifferences(database, database, previous);
}

int flagDifferences(ControllerDatabase& flagged, const ControllerDatabase& database,
                    const ControllerDatabase& previous) {
    int differing = 0;
    const KeyDescriptor* current = nullptr;
    const auto compare = [&](const std::string& now, const std::string& before,
                             const std::optional<FlagRef>& flag) {
        // Two texts the controller reads alike ("07" and "7") are no change to send.
        if (!flag || sameToController(*current, now, before))
            return;
        ++differing;
        flagged.setUploadFlag(flag->group, flag->index, true);
    };
    for (const KeyDescriptor& key : keyTable()) {
        current = &key;
        const int used = usedCount(key, database.hasRtc);
        if (key.shape == KeyShape::Courtesy) {
            for (int port = 1; port <= kCourtesyPorts; ++port)
                for (int tone = 1; tone <= used; ++tone)
                    compare(database.courtesy(key.name, port, tone),
                            previous.courtesy(key.name, port, tone),
                            settingFlag(key.name, tone, port));
            continue;
        }
        const bool single = key.shape == KeyShape::Single;
        for (int i = single ? 0 : 1; i <= (single ? 0 : used); ++i)
            compare(database.get(key.name, i), previous.get(key.name, i), settingFlag(key.name, i));
    }
    return differing;
}

}  // namespace kelp
