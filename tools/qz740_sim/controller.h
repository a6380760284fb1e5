// The simulated controller: its answers to programming lines and the memory images it sends
// on request.
//
// A download goes item by item: the request brings the first item (a main image line, an
// option board chunk) and every acknowledgement the next one ("OK" for the main image, "o"
// for the autopatch board, "r" for the RTC board); after the last item the next
// acknowledgement brings the end marker ("Complete" for the main and RTC images, "RIComplete"
// for the autopatch board, neither with a line end) and the image is done. The requests get
// no answer of their own: an answer bunched with the first chunk would hide it from the
// program, which skips a read that starts with "+SendA" or "+SendR" whole.
//
// An acknowledgement that arrives while the controller is still sending the item counts for
// nothing: the program acknowledges every read that brought text, and at 9600 baud a line
// comes in several reads. Only the acknowledgement that follows the whole item asks for the
// next one, so the program never gets two items bunched in one read.
#pragma once

#include <chrono>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "memory_images.h"

namespace qz740sim {

struct Rule {
    std::string pattern;  // as given on the command line
    std::regex regex;     // matches the whole line
};

struct ControllerOptions {
    std::string version = "7000";  // the answer to "1GetVersion"
    std::vector<Rule> nack;        // answered "-"
    std::vector<Rule> silent;      // not answered at all
    std::vector<Rule> garbage;     // answered with text that is neither "+" nor "-"
    std::string eol = "\r\n";      // ends every answer line

    // Faults of the download side.
    int stopAfter = -1;       // items of an image sent before the controller falls silent; -1 never
    int garbageEvery = 0;     // a garbled line after every this many items; 0 never
    bool refuseMain = false;  // the download requests answered "-"
    bool refuseAutopatch = false;
    bool refuseRtc = false;
    int refusals = -1;  // times each refused request is refused before it is served; -1 always
};

// The controller's answer to one received line (without its CR); "" for nothing. An empty
// line (the lone CR that opens a session) is not answered. Knows nothing of downloads.
std::string answerFor(const std::string& line, const ControllerOptions& options);

class Controller {
  public:
    Controller(ControllerOptions options, MemoryImages images);

    struct Reply {
        std::string text;  // what to send, "" for nothing
        std::string note;  // for the log: why the controller did what it did, "" if plain
    };

    // The reply to one received line (without its CR). stillSending: the controller had not
    // finished sending its last item when the line's CR came in.
    Reply onLine(const std::string& line, bool stillSending);

    // The keys of a voice recorder track: after "1*7001" and the track, a lone "G" starts
    // the recording and a lone "S" stops it (neither has a CR). The note for the log, or
    // nothing when the key is not one the controller is waiting for.
    std::optional<std::string> onRecorderKey(char key, std::chrono::steady_clock::time_point at);

    // The program closed the port: an image being sent is given up.
    void hostGone();

    // Which image is being sent, for the log ("" when none).
    const char* imageName() const;

  private:
    enum class Image { None, Main, Autopatch, Rtc };

    Reply startImage(Image image);
    Reply nextItem();
    const std::vector<std::string>* itemsOf(Image image) const;

    ControllerOptions options_;
    MemoryImages images_;
    Image image_ = Image::None;
    std::size_t next_ = 0;  // the next data item to send
    int sent_ = 0;          // data items sent of this image
    int sinceGarbage_ = 0;  // data items sent since the last garbled line
    bool stopped_ = false;  // --stop-after reached: the image goes no further
    int refusedMain_ = 0;   // times each request has been refused
    int refusedAutopatch_ = 0;
    int refusedRtc_ = 0;
    int armedTrack_ = 0;      // the track "1*7001" named, until "S"
    bool recording_ = false;  // between "G" and "S"
    std::chrono::steady_clock::time_point recordingSince_{};
};

// The answer with CR and LF spelled out, for the log.
std::string visible(const std::string& text);

}  // namespace qz740sim
