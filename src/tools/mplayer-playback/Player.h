#pragma once
// One playback in slave mode: libmpv decodes and times the source, each new picture is
// rendered in software and handed to the video channel, commands arrive on standard
// input one per line and the identification, status and exit lines go to standard output.
#include <QByteArray>
#include <cstdint>
#include <memory>
#include <vector>

#include "PlayerArguments.h"
#include "VideoChannelClient.h"

struct mpv_handle;
struct mpv_render_context;
struct mpv_event;

namespace zuvo::player {

class Player {
 public:
  explicit Player(PlayerArguments arguments);
  ~Player();
  Player(const Player&) = delete;
  Player& operator=(const Player&) = delete;

  // Plays to the end or until told to stop; the exit status.
  int run();

 private:
  bool setUp();
  void handleEvent(const mpv_event& event);
  void handleCommand(const QByteArray& line);
  void renderFrame();
  void identify();
  void startChannel();
  void printStatus();
  void finish(const char* why);
  double numberProperty(const char* name, double fallback = 0);
  void command(std::initializer_list<const char*> words);

  PlayerArguments arguments_;
  mpv_handle* mpv_ = nullptr;
  mpv_render_context* render_ = nullptr;
  VideoChannelClient channel_;
  std::vector<uint8_t> rgb_;
  uint8_t* rgbAligned_ = nullptr;
  size_t stride_ = 0;
  int width_ = 0;
  int height_ = 0;
  bool loaded_ = false;
  bool paused_ = false;
  bool done_ = false;
  int exitStatus_ = 0;
  QByteArray input_;
};

}  // namespace zuvo::player
