#include "core/editors/message_macros_model.h"

#include <stdexcept>

#include "core/app/prompter.h"
#include "core/catalogues/voice_vocabulary.h"
#include "core/catalogues/word_list.h"
#include "core/database/area_checks.h"
#include "core/editors/identification_model.h"

namespace kelp {

const char* const kMessageMacroRefusal =
    "Invalid Message Macro Contents or Message Macro contains 'DVR20' (not allowed in Message "
    "Macros) or Message Macro contains more than 9 words";
const char* const kWavFilter = "Wav Files (*.wav) | *.wav";
const char* const kWavOpenTitle = "Open Wav File";

namespace {

const char* const kNoneStored = "NONE STORED";
const char* const kKey = "MessageMacro";

}  // namespace

std::vector<FieldSpec> messageMacrosFields(int count) {
    FieldSpec f;
    f.key = kKey;
    f.indexing = FieldIndexing::Indexed;
    f.count = count;
    f.marker = 1;
    f.numeric = false;
    f.upperCase = true;
    f.tidy = [](const EditorModel& m, int n) {
        const std::string& v = m.value(kKey, n);
        return v == m.stored(kKey, n) ? v : normaliseWordList(v);
    };
    f.shown = [](const EditorModel& m, int n) { return normaliseWordList(m.value(kKey, n)); };
    f.emptyText = emptyTextIs(kNoneStored);
    f.check = [](const EditorModel& m, int n) -> std::optional<Notice> {
        if (messageMacroCheck(m.value(kKey, n)))
            return std::nullopt;
        return Notice{"Message Macro " + std::to_string(n), kMessageMacroRefusal};
    };
    return {f};
}

MessageMacrosModel::MessageMacrosModel(ControllerDatabase& database)
    : EditorModel(database, Area::MessageMacros,
                  messageMacrosFields(database.hasRtc ? kMessages : kMessagesWithoutRtc),
                  // The message tabs are not port tabs.
                  0),
      count_(database.hasRtc ? kMessages : kMessagesWithoutRtc) {}

void MessageMacrosModel::enterBox(int message) {
    if (message < 1 || message > count_)
        throw std::out_of_range("message macro " + std::to_string(message));
    focused_ = message;
}

std::string MessageMacrosModel::enteredText(int message) const {
    const std::string shown = shownText(message);
    return shown == kNoneStored ? std::string() : shown;
}

std::string MessageMacrosModel::shownText(int message) const {
    return normaliseWordList(value(kKey, message));
}

int MessageMacrosModel::wordCount(int message) const {
    return VoiceVocabulary::wordCount(value(kKey, message));
}

std::optional<MessageMacrosModel::Insertion> MessageMacrosModel::insertWord(
    const std::string& text, int caret, int selection, const std::string& word, long itemData) {
    if (itemData < 0)
        return std::nullopt;
    // The rule of the ID boxes, spaces and all: leaving the box tidies them.
    const IdentificationModel::Insertion inserted =
        IdentificationModel::insertWord(text, caret, selection, word);
    return Insertion{inserted.text, inserted.caret};
}

void MessageMacrosModel::selectTrack(int track) {
    if (track < 1 || track > kRecorderTracks)
        throw std::out_of_range("recorder track " + std::to_string(track));
    track_ = track;
}

bool MessageMacrosModel::loadWav() {
    FileDialogRequest request;
    request.title = kWavOpenTitle;
    request.filter = kWavFilter;
    const std::optional<std::filesystem::path> chosen = currentPrompter().openFileDialog(request);
    if (!chosen)
        return false;
    if (const std::optional<std::string> problem = trackFileProblem(*chosen)) {
        currentPrompter().message(*problem, kTrackFileTitle, MessageIcon::Exclamation);
        return false;
    }
    file_ = *chosen;
    return true;
}

TrackRecordResult MessageMacrosModel::sendToController() {
    return recordTrack(track_, file_);
}

}  // namespace kelp
