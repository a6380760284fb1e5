// The serial trace: every exchange on the serial link written to a file in the application
// folder, one file per program run, so that an operator can attach it to a support request.
// Each line holds the time, the direction ("TX" sent, "RX" received, "--" an event such as
// opening the port) and the text with CR, LF and other control bytes made visible ("<CR>").
// Only the newest ten trace files are kept. A trace that cannot be written is given up
// quietly: it must never disturb the link itself.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>

namespace kelp {

class SerialTrace {
  public:
    static constexpr int kKeptFiles = 10;
    // Trace files are named kFilePrefix + "yyyymmdd-hhmmss" (+ "-n" when taken) + ".log".
    static constexpr const char* kFilePrefix = "serial-trace-";

    static SerialTrace& instance();

    void sent(const std::string& data) { write("TX", visible(data)); }
    void received(const std::string& data) { write("RX", visible(data)); }
    void event(const std::string& text) { write("--", text); }

    // Ends the current file; the next line starts a new one (a new run, or a test).
    void finish();
    // The file being written, empty before the first line of this run.
    const std::filesystem::path& currentFile() const { return file_; }

    // The text with control bytes spelled out: "<CR>", "<LF>", others as "<1B>".
    static std::string visible(const std::string& data);

  private:
    SerialTrace() = default;
    void write(const char* direction, const std::string& text);
    bool start();

    std::filesystem::path folder_;
    std::filesystem::path file_;
    std::ofstream out_;
    bool failed_ = false;
};

}  // namespace kelp
