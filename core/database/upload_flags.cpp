// The upload change flag groups: one row per group that the upload sends as a unit, in
// enumerator order, with the number of flags in the group.
#include <iterator>
#include <stdexcept>

#include "core/database/controller_database.h"

namespace kelp {
namespace {

constexpr int kPorts = 3;
constexpr int kCourtesyCells = kCourtesyPorts * kCourtesyTones;

using F = UploadFlag;

// clang-format off
constexpr UploadFlagDescriptor kFlags[] = {
    // Timers
    {F::HangTimers, "HangTimers", kPorts},
    {F::TimeoutTimer, "TimeoutTimer", kPorts},
    {F::TotResetPoint, "TotResetPoint", kPorts},
    {F::TotResetTimer, "TotResetTimer", kPorts},
    {F::InitialIdTimer, "InitialIdTimer", kPorts},
    {F::PendingIdTimer, "PendingIdTimer", kPorts},
    {F::InactivityTimer, "InactivityTimer", kPorts},
    {F::InactivityMacro, "InactivityMacro", kPorts},
    {F::DtmfMuteTimer, "DtmfMuteTimer", kPorts},
    {F::EncodeTimer, "EncodeTimer", kPorts},
    {F::KerchunkTimer, "KerchunkTimer", kPorts},
    {F::KerchunkTimeout, "KerchunkTimeout", kPorts},
    {F::PendingIdSpeechTimer, "PendingIdSpeechTimer", kPorts},
    {F::TailTimer, "TailTimer", kPorts},
    {F::TailCounter, "TailCounter", kPorts},
    {F::TailMessageNumber, "TailMessageNumber", kPorts},
    {F::TailMessageMacros, "TailMessageMacros", kPorts},
    {F::AuxAudioTimer, "AuxAudioTimer", 3},
    {F::GeneralTimer, "GeneralTimer", 6},
    {F::FanTimer, "FanTimer", 1},
    {F::FanSelect, "FanSelect", 1},
    {F::TransmitDelay, "TransmitDelay", 1},
    {F::TimeoutLink, "TimeoutLink", 1},
    // Courtesy tones
    {F::CourtesySegment1, "CourtesySegment1", kCourtesyCells},
    {F::CourtesySegment2, "CourtesySegment2", kCourtesyCells},
    {F::CourtesySegment3, "CourtesySegment3", kCourtesyCells},
    {F::CourtesySegment4, "CourtesySegment4", kCourtesyCells},
    // Macros
    {F::MacroFunctions, "MacroFunctions", 40},
    {F::MacroCode, "MacroCode", 40},
    {F::ShortMacroFunctions, "ShortMacroFunctions", 50},
    {F::ShortMacroCode, "ShortMacroCode", 50},
    {F::PortToAllow, "PortToAllow", 90},
    {F::RcvMacroActive, "RcvMacroActive", kPorts},
    {F::RcvMacroInactive, "RcvMacroInactive", kPorts},
    // Scheduler
    {F::SchedulerSetpoint, "SchedulerSetpoint", 20},
    {F::SayYear, "SayYear", 1},
    {F::SayHour, "SayHour", 1},
    {F::TwentyFour, "TwentyFour", 1},
    {F::ClockCorrection, "ClockCorrection", 1},
    // Analog
    {F::MeterSetup, "MeterSetup", kVrefFlagIndex},
    {F::MeterAlarm, "MeterAlarm", 8},
    // Identification
    {F::VoiceId1, "VoiceId1", kPorts},
    {F::VoiceId2, "VoiceId2", kPorts},
    {F::VoiceId3, "VoiceId3", kPorts},
    {F::CwId1, "CwId1", kPorts},
    {F::CwId2, "CwId2", kPorts},
    {F::CwSpeed, "CwSpeed", kPorts},
    {F::CwTone1, "CwTone1", kPorts},
    {F::CwTone2, "CwTone2", kPorts},
    {F::SpeechIds, "SpeechIds", kPorts},
    {F::ConstantId, "ConstantId", kPorts},
    {F::IdExtras1, "IdExtras1", kPorts},
    {F::IdExtras2, "IdExtras2", kPorts},
    {F::IdExtras3, "IdExtras3", kPorts},
    // Message macros
    {F::MessageMacro, "MessageMacro", 70},
    // DTMF settings
    {F::DtmfMemory, "DtmfMemory", 50},
    {F::DtmfDuration, "DtmfDuration", 1},
    {F::DtmfDelay, "DtmfDelay", 1},
    // Alarms and remote base
    {F::LogicAlarmEnable, "LogicAlarmEnable", 5},
    {F::AlarmLowMacro, "AlarmLowMacro", 5},
    {F::AlarmHighMacro, "AlarmHighMacro", 5},
    {F::RadioType, "RadioType", 1},
    {F::RemoteBasePrefix, "RemoteBasePrefix", 1},
    {F::RemoteBaseMemories, "RemoteBaseMemories", 1},
    // Special codes and autopatch
    {F::DtmfRegenerate, "DtmfRegenerate", 1},
    {F::AutopatchPrefix, "AutopatchPrefix", 1},
    {F::AnswerCode, "AnswerCode", 1},
    {F::RingNumber, "RingNumber", 1},
    {F::AutopatchTimeout, "AutopatchTimeout", 1},
    {F::PatchPorts, "PatchPorts", 1},
    {F::PatchMute, "PatchMute", 1},
    {F::AutoDial, "AutoDial", 200},
    {F::TollRestrict, "TollRestrict", 100},
    {F::PadTestPrefix, "PadTestPrefix", 1},
    {F::PreAccessCode, "PreAccessCode", 1},
    {F::PreCommandPrefix, "PreCommandPrefix", 1},
    {F::MacroSubset, "MacroSubset", 1},
    {F::MacroSubsetEnable, "MacroSubsetEnable", 1},
    {F::DtmfMuteDigit, "DtmfMuteDigit", 1},
    {F::WindDirectionFormat, "WindDirectionFormat", 1},
    {F::Dr1Mode, "Dr1Mode", 1},
    // Port switches
    {F::TransmitterEnable, "TransmitterEnable", kPorts},
    {F::ReceiverEnable, "ReceiverEnable", kPorts},
    {F::RepeaterMode, "RepeaterMode", kPorts},
    {F::DtmfEnable, "DtmfEnable", kPorts},
    {F::DtmfRequireTone, "DtmfRequireTone", kPorts},
    {F::DtmfMute, "DtmfMute", kPorts},
    {F::DtmfCovertone, "DtmfCovertone", kPorts},
    {F::MonitorMix, "MonitorMix", kPorts},
    {F::KerchunkFilter, "KerchunkFilter", kPorts},
    {F::SpeechOverride, "SpeechOverride", kPorts},
    {F::SpeechIdOverride, "SpeechIdOverride", kPorts},
    {F::AccessMode, "AccessMode", kPorts},
    {F::ToneEncodeDuringId, "ToneEncodeDuringId", kPorts},
    {F::ToneEncodeTimerStart, "ToneEncodeTimerStart", kPorts},
    {F::IdTimerStart, "IdTimerStart", kPorts},
    {F::DtmfEvaluateOnClosure, "DtmfEvaluateOnClosure", kPorts},
    {F::ToneEncodePolarity, "ToneEncodePolarity", kPorts},
    {F::AllowTerminatorSpeech, "AllowTerminatorSpeech", 1},
    // Unlock codes
    {F::PortUnlock, "PortUnlock", kPorts},
    {F::LockCode, "LockCode", 1},
    {F::TerminatorCode, "TerminatorCode", 1},
};
// clang-format on

constexpr bool rowsFollowEnumeratorOrder() {
    int i = 0;
    for (const UploadFlagDescriptor& row : kFlags) {
        if (static_cast<int>(row.flag) != i++ || row.count < 1)
            return false;
    }
    return i == kUploadFlagGroupCount;
}
static_assert(rowsFollowEnumeratorOrder(),
              "one row per upload flag group, in enumerator order, each with at least one flag");

}  // namespace

const std::vector<UploadFlagDescriptor>& uploadFlagTable() {
    static const std::vector<UploadFlagDescriptor> table(std::begin(kFlags), std::end(kFlags));
    return table;
}

const UploadFlagDescriptor& uploadFlagDescriptor(UploadFlag group) {
    const int i = static_cast<int>(group);
    if (i < 0 || i >= kUploadFlagGroupCount)
        throw std::out_of_range("no upload flag group " + std::to_string(i));
    return kFlags[i];
}

}  // namespace kelp
