#include "app/controller/WindowManagerClose.h"

#include <xcb/xcb.h>

#include <QApplication>
#include <QGuiApplication>
#include <QTimer>
#include <QWindow>
#include <cstdlib>
#include <cstring>

namespace zuvo {
namespace {

quint32 internAtom(xcb_connection_t* connection, const char* name) {
  xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
      connection, xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
  if (!reply) return 0;
  const quint32 atom = reply->atom;
  std::free(reply);
  return atom;
}

}  // namespace

WindowManagerClose::WindowManagerClose(QWidget* window, std::function<void()> closed)
    : window_(window), closed_(std::move(closed)) {
  if (QGuiApplication::platformName() != QLatin1String("xcb")) return;
  auto* x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
  if (!connection) return;
  protocols_ = internAtom(connection, "WM_PROTOCOLS");
  deleteWindow_ = internAtom(connection, "WM_DELETE_WINDOW");
  if (!protocols_ || !deleteWindow_) return;
  QCoreApplication::instance()->installNativeEventFilter(this);
  installed_ = true;
}

WindowManagerClose::~WindowManagerClose() {
  if (installed_ && QCoreApplication::instance()) QCoreApplication::instance()->removeNativeEventFilter(this);
}

bool WindowManagerClose::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
  if (eventType != "xcb_generic_event_t" || !window_) return false;
  const auto* event = static_cast<const xcb_generic_event_t*>(message);
  if ((event->response_type & ~0x80) != XCB_CLIENT_MESSAGE) return false;
  const auto* client = static_cast<const xcb_client_message_event_t*>(message);
  if (client->format != 32 || client->type != protocols_ || client->data.data32[0] != deleteWindow_)
    return false;
  const QWindow* handle = window_->windowHandle();
  if (!handle || client->window != handle->winId()) return false;
  // Unblocked, Qt delivers the close to the window itself.
  if (!QApplication::activeModalWidget()) return false;
  QTimer::singleShot(0, window_, closed_);
  return false;
}

}  // namespace zuvo
