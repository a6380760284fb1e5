// The Message Macros window's model: the controller's spoken messages (70 with the RTC
// option board, 40 without), each up to nine words of the voice vocabulary; and the voice
// recorder frame, which records a WAV file into one of the controller's 19 tracks.
//
// A message box holds upper-case words separated by single spaces, or "NONE STORED". The
// vocabulary list inserts into the message whose box had the focus last. Choosing a track or
// a file is not an edit.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/editors/editor_model.h"
#include "core/link/track_record.h"

namespace kelp {

class MessageMacrosModel : public EditorModel {
  public:
    explicit MessageMacrosModel(ControllerDatabase& database);

    static constexpr int kMessages = 70;
    static constexpr int kMessagesWithoutRtc = 40;
    static constexpr int kMessagesPerTab = 10;

    // 70 or 40, fixed when the window is made.
    int messageCount() const { return count_; }
    // Tabs 0-6 ("1-10" ... "61-70"); those past the message count cannot be chosen.
    bool tabEnabled(int tab) const { return tab * kMessagesPerTab < count_; }

    // Focus entering message box m: it becomes the one the vocabulary list inserts into;
    // the box shows its words, or nothing for "NONE STORED".
    void enterBox(int message);
    int focusedMessage() const { return focused_; }
    std::string enteredText(int message) const;
    // What a message's box shows when it is not being typed in: its words tidied to single
    // spaces. A stored message keeps its own spacing in the working copy until it is typed
    // over, so that looking at it (entering and leaving its box) is no edit.
    std::string shownText(int message) const;

    // The "Word Counter" of a message's working value.
    int wordCount(int message) const;

    // A double-click on the vocabulary list: the word put in place of the selection at the
    // caret by the rule of the ID boxes (a space before and after it, a run of spaces that
    // leaving the box tidies); nothing for the separator row (item data below 0).
    struct Insertion {
        std::string text;
        int caret = 0;
    };
    static std::optional<Insertion> insertWord(const std::string& text, int caret, int selection,
                                               const std::string& word, long itemData);

    // The voice recorder frame.
    int selectedTrack() const { return track_; }
    void selectTrack(int track);  // 1-19
    const std::optional<std::filesystem::path>& chosenFile() const { return file_; }
    // "&Load Wav": the open dialog; a chosen file that cannot be played is refused with its
    // reason and the file chosen before stays. Cancel leaves it as it was. True when chosen.
    bool loadWav();
    // "&Send to QZ740": records the selected track from the chosen file.
    TrackRecordResult sendToController();

  private:
    int count_;
    int focused_ = 1;
    int track_ = 1;
    std::optional<std::filesystem::path> file_;
};

// The one field of the window, marker 1, for `count` messages.
std::vector<FieldSpec> messageMacrosFields(int count);

// The refusal of a message box, one sentence naming every reason.
extern const char* const kMessageMacroRefusal;
// The open dialog of "&Load Wav".
extern const char* const kWavFilter;     // "Wav Files (*.wav) | *.wav"
extern const char* const kWavOpenTitle;  // "Open Wav File"

}  // namespace kelp
