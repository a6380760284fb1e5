// The serial trace: every exchange on the serial link written to a file in the application
// folder, one file per program run, so that an operator can attach it to a support request.
// Each line holds the time, the direction ("TX" sent, "RX" received, "--" an event such as
// opening the port) and the text with CR, LF and other control bytes made visible ("<CR>").
// Only the newest ten trace files are kept. A trace that cannot be written is given up
// quietly: it must never disturb the link itself.
//
// A trace is what an operator mails for support, so it never carries the unlock, lock or
// terminator codes: the code in a line that carries one (a code programming command, a line
// that is a code, the relock after a download, the code records of a downloaded image) is
// written as "<code hidden>", and the first such line of a file is preceded by a note that
// says so. A sent line that is neither a setting command ("1*1000...") nor one of the
// program's own words ("OK", "1SendEram", ...) may be a code typed by hand: it is hidden whole.
#pragma once

#include <cstddef>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

namespace kelp {

class SerialTrace {
  public:
    static constexpr int kKeptFiles = 10;
    // Trace files are named kFilePrefix + "yyyymmdd-hhmmss" (+ "-n" when taken) + ".log".
    static constexpr const char* kFilePrefix = "serial-trace-";

    static SerialTrace& instance();

    // How much of a received line (without its line end) may be shown before the code in
    // it, or npos when it holds none; index counts the lines since the mask was installed.
    using ReceivedLineMask = std::function<std::size_t(int index, const std::string& line)>;
    static constexpr const char* kHiddenCode = "<code hidden>";

    void sent(const std::string& data);
    // A write that did not go out, with the port's reason; its codes hidden as sent() hides them.
    void writeFailed(const std::string& data, const std::string& reason);
    void received(const std::string& data);
    void event(const std::string& text) { write("--", text); }

    // While a mask is installed, what arrives is written line by line ("\r\n" ends a line,
    // as the download counts them), each through the mask; a line still arriving waits for
    // its end. Removing the mask writes what is left of the last line.
    void setReceivedLineMask(ReceivedLineMask mask);

    // This run's traces go to this folder of the application folder ("" the folder itself),
    // where the newest ten are kept apart from the others.
    void setSubfolder(const std::string& name);

    // Ends the current file; the next line starts a new one (a new run, or a test).
    void finish();
    // The file being written, empty before the first line of this run.
    const std::filesystem::path& currentFile() const { return file_; }

    // The text with control bytes spelled out: "<CR>", "<LF>", others as "<1B>".
    static std::string visible(const std::string& data);
    // As visible(), with the code of every line that carries one (by the open database's
    // codes and the code programming commands) written as kHiddenCode. hid tells whether one
    // was.
    static std::string visibleWithoutCodes(const std::string& sent, bool& hid);

  private:
    SerialTrace() = default;
    void write(const char* direction, const std::string& text, bool hidesCode = false);
    void writeMaskedLines(bool all);
    bool start();
    std::filesystem::path traceFolder() const;

    std::filesystem::path folder_;
    std::filesystem::path file_;
    std::ofstream out_;
    bool failed_ = false;
    bool noteWritten_ = false;
    std::string subfolder_;
    ReceivedLineMask mask_;
    std::string maskPending_;
    int maskIndex_ = 0;
};

// Installs a received-line mask for a scope (a download while its image arrives).
class ScopedReceivedLineMask {
  public:
    explicit ScopedReceivedLineMask(SerialTrace::ReceivedLineMask mask) {
        SerialTrace::instance().setReceivedLineMask(std::move(mask));
    }
    ~ScopedReceivedLineMask() { SerialTrace::instance().setReceivedLineMask({}); }
    ScopedReceivedLineMask(const ScopedReceivedLineMask&) = delete;
    ScopedReceivedLineMask& operator=(const ScopedReceivedLineMask&) = delete;
};

}  // namespace kelp
