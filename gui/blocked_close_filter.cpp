#include "gui/blocked_close_filter.h"

#include <QApplication>
#include <QGuiApplication>
#include <QTimer>
#include <cstdlib>
#include <cstring>

#include "gui/kelp_main.h"

#if defined(KELP_HAVE_XCB) && QT_CONFIG(xcb)
#include <xcb/xcb.h>
#define KELP_BLOCKED_CLOSE_X11 1
#endif

namespace kelp {

namespace {

#ifdef KELP_BLOCKED_CLOSE_X11
std::uint32_t internAtom(xcb_connection_t* connection, const char* name) {
    const xcb_intern_atom_cookie_t cookie =
        xcb_intern_atom(connection, 1, static_cast<std::uint16_t>(std::strlen(name)), name);
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    if (reply == nullptr)
        return 0;
    const std::uint32_t atom = reply->atom;
    std::free(reply);
    return atom;
}
#endif

}  // namespace

BlockedCloseFilter::BlockedCloseFilter(KelpMain* main) : main_(main) {
#ifdef KELP_BLOCKED_CLOSE_X11
    auto* x11 = qApp == nullptr ? nullptr
                                : qApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr || x11->connection() == nullptr)
        return;
    protocolsAtom_ = internAtom(x11->connection(), "WM_PROTOCOLS");
    deleteWindowAtom_ = internAtom(x11->connection(), "WM_DELETE_WINDOW");
    if (protocolsAtom_ != 0 && deleteWindowAtom_ != 0)
        qApp->installNativeEventFilter(this);
#endif
}

bool BlockedCloseFilter::nativeEventFilter(const QByteArray& eventType, void* message,
                                           qintptr* /*result*/) {
#ifdef KELP_BLOCKED_CLOSE_X11
    if (main_ == nullptr || eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7f) != XCB_CLIENT_MESSAGE)
        return false;
    const auto* client = reinterpret_cast<const xcb_client_message_event_t*>(event);
    if (client->format != 32 || client->type != protocolsAtom_ ||
        client->data.data32[0] != deleteWindowAtom_ ||
        client->window != static_cast<xcb_window_t>(main_->winId()))
        return false;
    // Not blocked: the close reaches the window's own closeEvent as usual.
    const QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || modal == main_.data())
        return false;
    // Answered from the event loop, not from inside the window system's dispatch.
    QTimer::singleShot(0, main_.data(), [main = main_] {
        if (main)
            main->closeRequestedWhileBlocked();
    });
    return true;
#else
    (void)eventType;
    (void)message;
    return false;
#endif
}

}  // namespace kelp
