// Closing the main window while one of Kelp's modal windows is open (the Update window, the
// download progress, the unlock or network port window, a question) gets an answer. Qt drops
// a window system's close request for a window that a modal window blocks, so the close box
// of the main window would do nothing at all; on X11 this filter sees the request first and
// hands it to the main window, which asks whether to interrupt the running operation or says
// which window has to be closed first.
#pragma once

#include <QAbstractNativeEventFilter>
#include <QPointer>
#include <cstdint>

namespace kelp {

class KelpMain;

class BlockedCloseFilter : public QAbstractNativeEventFilter {
  public:
    // Installs itself on the application when it runs on X11; elsewhere it stays idle.
    explicit BlockedCloseFilter(KelpMain* main);

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

  private:
    QPointer<KelpMain> main_;
    std::uint32_t protocolsAtom_ = 0;
    std::uint32_t deleteWindowAtom_ = 0;
};

}  // namespace kelp
