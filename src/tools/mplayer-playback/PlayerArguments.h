#pragma once
// The player's command line, in the slave-mode form the preview window builds:
//   FILE|dvd://N [-dvd-device PATH] [-monitoraspect X] [-cache N]
//   -vo corevideo:shared_buffer:buffer_name=NAME [-slave] [-nosub] [-noautosub] [-identify]
#include <QString>
#include <QStringList>
#include <optional>

namespace zuvo::player {

struct PlayerArguments {
  QString source;      // a file path or "dvd://N"
  QString dvdDevice;   // empty: the default device
  QString bufferName;  // the video channel; empty: no picture is sent anywhere
  bool noSubtitles = false;
  bool noAutoSubtitles = false;
  bool identify = false;
  int dvdTitle = 0;  // N of "dvd://N", 0 for a file
};

// Nothing (and `error` set) for an unknown option or a missing source.
std::optional<PlayerArguments> parsePlayerArguments(const QStringList& arguments, QString* error);

}  // namespace zuvo::player
