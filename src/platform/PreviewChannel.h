#pragma once
// The preview's video channel between the player child and the preview's video view.
// The player creates POSIX shared memory named after the channel and writes whole
// 4:2:2 frames (Y0 U Y1 V) into it; it tells the view about them over a local stream
// socket in the abstract namespace under the same name. Each call is one text line and
// waits for a one-line answer, so the player never overwrites a frame being copied:
//   "start W H B A" (width, height, bytes per pixel, aspect x 100)  -> "1"
//   "render" | "stop" | "toggleFullscreen" | "ontop"                 -> "ok"
// No file names are involved, so the player finds the view whatever its environment.
#include <sys/socket.h>
#include <sys/un.h>

#include <QByteArray>
#include <QString>

namespace zuvo::previewchannel {

inline constexpr const char* kStart = "start";
inline constexpr const char* kRender = "render";
inline constexpr const char* kStop = "stop";
inline constexpr const char* kToggleFullscreen = "toggleFullscreen";
inline constexpr const char* kOntop = "ontop";
inline constexpr const char* kStartAnswer = "1";
inline constexpr const char* kAnswer = "ok";

// The socket address of channel `name`; `length` receives the address length to pass
// to bind and connect (abstract names are not terminated).
sockaddr_un socketAddress(const QByteArray& name, socklen_t* length);
// The shm_open name of channel `name`.
QByteArray sharedMemoryName(const QByteArray& name);

}  // namespace zuvo::previewchannel
