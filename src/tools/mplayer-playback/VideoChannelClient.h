#pragma once
// The player's side of the preview's video channel (platform/PreviewChannel.h): owns the
// shared frame, converts each RGB picture into it as 4:2:2 and calls the view.
#include <QByteArray>
#include <cstddef>
#include <cstdint>

struct SwsContext;

namespace zuvo::player {

class VideoChannelClient {
 public:
  explicit VideoChannelClient(const QByteArray& name) : name_(name) {}
  ~VideoChannelClient();
  VideoChannelClient(const VideoChannelClient&) = delete;
  VideoChannelClient& operator=(const VideoChannelClient&) = delete;

  // Makes the shared frame for `width` x `height` (width even) and calls start. False
  // when no view serves the channel or the memory cannot be made; frames are then dropped.
  bool start(int width, int height, int aspectTimes100);
  // Converts one rgb0 picture of the started size into the shared frame, then calls render.
  void frame(const uint8_t* rgb0, size_t stride);
  // Calls stop and removes the shared frame.
  void stop();
  bool started() const { return frame_ != nullptr; }

 private:
  bool call(const QByteArray& line, const char* expectedAnswer);
  void releaseFrame();
  QByteArray name_;
  int socket_ = -1;
  bool connectTried_ = false;
  uint8_t* frame_ = nullptr;
  size_t frameBytes_ = 0;
  int width_ = 0;
  int height_ = 0;
  SwsContext* scaler_ = nullptr;
};

}  // namespace zuvo::player
