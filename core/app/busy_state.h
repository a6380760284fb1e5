// One operation at a time. Long operations (upload, download, compare, the erase, setting the
// clock, recording a track, sending codes or a typed line, playing tones) wait cooperatively
// on the one user-interface thread, so the operator's clicks are handled while they run.
// Each enters the busy state with a BusyGuard and leaves it however it ends; the windows
// follow the state through one listener and disable whatever would use the port, the
// push-to-talk line or the sound output, replace or close the database, or close the window
// that runs the operation.
//
// An operation may run another inside itself (a complete upload backs the controller up
// first, a download may send changed codes): the guard nests, and only the outermost one
// starts and ends the busy state. A window that an operation opens (the unlock window after
// a download) follows the operations nested below its own depth.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace kelp {

class BusyState {
  public:
    using Listener = std::function<void(int depth)>;

    bool busy() const { return depth_ > 0; }
    // How many guards are held: 0 at rest.
    int depth() const { return depth_; }
    // The outermost running operation ("Erase All Macros"), "" when idle.
    const std::string& operation() const { return operation_; }

    // Called with the new depth whenever a guard is taken or let go. Returns a token for
    // unsubscribe().
    int subscribe(Listener listener);
    void unsubscribe(int token);

    // Asks the running operation to stop at its next safe point (the program is closing).
    // Cleared when the busy state ends.
    void requestInterrupt();

    // The question an operation asks before it is stopped (the upload's "Interrupt Update"),
    // given by its outermost guard: every way of stopping it asks the same. True for Yes.
    using InterruptQuestion = std::function<bool()>;
    // Asks the running operation's own question, or otherwise() when it has none; on Yes asks
    // the operation to stop (requestInterrupt) and returns true. False when idle.
    bool askToInterrupt(const InterruptQuestion& otherwise);
    bool interruptRequested() const { return interruptRequested_; }

    // When busy, says so in a box naming the running operation and returns true: the command
    // that asked is refused. False (and nothing shown) when idle.
    bool refuseWhileBusy();

    // The text of that box.
    std::string busyText() const;

  private:
    friend class BusyGuard;
    void enter(const std::string& operation, InterruptQuestion question);
    void leave();
    void tell();

    int depth_ = 0;
    std::string operation_;
    InterruptQuestion question_;
    bool interruptRequested_ = false;
    int nextToken_ = 1;
    std::vector<std::pair<int, Listener>> listeners_;
};

// The process-wide busy state.
BusyState& busyState();

extern const char* const kBusyTitle;  // "Kelp is busy"

// Enters the busy state for its scope.
class BusyGuard {
  public:
    explicit BusyGuard(const std::string& operation,
                       BusyState::InterruptQuestion question = {});
    ~BusyGuard();
    BusyGuard(const BusyGuard&) = delete;
    BusyGuard& operator=(const BusyGuard&) = delete;
};

}  // namespace kelp
