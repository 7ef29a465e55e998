#include "Player.h"

#include <fcntl.h>
#include <mpv/client.h>
#include <mpv/render.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace zuvo::player {

namespace {

constexpr int kStatusIntervalMs = 200;
constexpr size_t kRowAlignment = 64;

// Written by libmpv's callbacks and the termination signals; read by the main loop.
int wakePipe[2] = {-1, -1};
volatile sig_atomic_t terminated = 0;

void wake(void*) {
  const char byte = 1;
  [[maybe_unused]] const ssize_t n = ::write(wakePipe[1], &byte, 1);
}

void onTerminationSignal(int) {
  terminated = 1;
  wake(nullptr);
}

void out(const char* format, auto... values) {
  std::printf(format, values...);
  std::fflush(stdout);
}

}  // namespace

Player::Player(PlayerArguments arguments)
    : arguments_(std::move(arguments)), channel_(arguments_.bufferName.toUtf8()) {}

Player::~Player() {
  channel_.stop();
  if (render_) mpv_render_context_free(render_);
  if (mpv_) mpv_terminate_destroy(mpv_);
}

bool Player::setUp() {
  if (::pipe2(wakePipe, O_CLOEXEC | O_NONBLOCK) != 0) return false;
  struct sigaction action {};
  action.sa_handler = onTerminationSignal;
  ::sigaction(SIGTERM, &action, nullptr);
  ::sigaction(SIGINT, &action, nullptr);
  ::sigaction(SIGHUP, &action, nullptr);
  std::signal(SIGPIPE, SIG_IGN);

  mpv_ = mpv_create();
  if (!mpv_) return false;
  mpv_set_option_string(mpv_, "vo", "libmpv");
  mpv_set_option_string(mpv_, "terminal", "no");
  // The core would quit before the file is loaded without it; the end of the file
  // ends the player all the same.
  mpv_set_option_string(mpv_, "idle", "yes");
  mpv_set_option_string(mpv_, "input-default-bindings", "no");
  // The view scales to the picture's aspect itself: the channel carries stored pixels.
  mpv_set_option_string(mpv_, "keepaspect", "no");
  mpv_set_option_string(mpv_, "audio-display", "no");
  // Without a sound device the picture still plays in time.
  mpv_set_option_string(mpv_, "audio-fallback-to-null", "yes");
  if (arguments_.noSubtitles) mpv_set_option_string(mpv_, "sid", "no");
  if (arguments_.noAutoSubtitles) mpv_set_option_string(mpv_, "sub-auto", "no");
  if (!arguments_.dvdDevice.isEmpty())
    mpv_set_option_string(mpv_, "dvd-device", arguments_.dvdDevice.toUtf8().constData());
  if (mpv_initialize(mpv_) < 0) return false;

  mpv_render_param params[] = {{MPV_RENDER_PARAM_API_TYPE, const_cast<char*>(MPV_RENDER_API_TYPE_SW)},
                               {MPV_RENDER_PARAM_INVALID, nullptr}};
  if (mpv_render_context_create(&render_, mpv_, params) < 0) return false;
  mpv_set_wakeup_callback(mpv_, wake, nullptr);
  mpv_render_context_set_update_callback(render_, wake, nullptr);

  const QByteArray source = arguments_.source.toUtf8();
  const char* load[] = {"loadfile", source.constData(), nullptr};
  return mpv_command(mpv_, load) >= 0;
}

int Player::run() {
  if (!setUp()) {
    std::fprintf(stderr, "mplayer-playback: cannot start playback of %s\n", qPrintable(arguments_.source));
    out("\nExiting... (End of file)\n");
    return 1;
  }
  bool inputOpen = true;
  while (!done_) {
    pollfd fds[2] = {{wakePipe[0], POLLIN, 0}, {inputOpen ? 0 : -1, POLLIN, 0}};
    const int ready = ::poll(fds, 2, kStatusIntervalMs);
    if (ready < 0 && errno != EINTR) break;
    if (terminated) {
      finish("Quit");
      break;
    }
    if (fds[0].revents & POLLIN) {
      char drain[256];
      while (::read(wakePipe[0], drain, sizeof drain) > 0) {
      }
    }
    while (!done_) {
      mpv_event* event = mpv_wait_event(mpv_, 0);
      if (event->event_id == MPV_EVENT_NONE) break;
      handleEvent(*event);
    }
    if (done_) break;
    renderFrame();
    if (fds[1].revents & (POLLIN | POLLHUP)) {
      char buffer[4096];
      const ssize_t n = ::read(0, buffer, sizeof buffer);
      if (n > 0) {
        input_.append(buffer, n);
      } else if (n == 0) {
        // The window that gave the commands has gone.
        inputOpen = false;
        finish("Quit");
      }
    }
    // Commands wait for the file to be loaded, as they would in a player that reads
    // them from its play loop: a length asked for at once is then known.
    int end;
    while (loaded_ && !done_ && (end = input_.indexOf('\n')) >= 0) {
      const QByteArray line = input_.left(end).trimmed();
      // A length asked for before the demuxer knows it waits for it.
      if (line == "get_time_length" && numberProperty("duration", -1) < 0) break;
      input_.remove(0, end + 1);
      if (!line.isEmpty()) handleCommand(line);
    }
    if (!done_) printStatus();
  }
  return exitStatus_;
}

void Player::handleEvent(const mpv_event& event) {
  switch (event.event_id) {
    case MPV_EVENT_FILE_LOADED:
      loaded_ = true;
      if (arguments_.identify) identify();
      break;
    case MPV_EVENT_VIDEO_RECONFIG:
      startChannel();
      break;
    case MPV_EVENT_END_FILE: {
      const auto* end = static_cast<const mpv_event_end_file*>(event.data);
      if (end && end->reason == MPV_END_FILE_REASON_ERROR) {
        std::fprintf(stderr, "mplayer-playback: %s\n", mpv_error_string(end->error));
        exitStatus_ = 1;
      }
      finish(end && end->reason == MPV_END_FILE_REASON_QUIT ? "Quit" : "End of file");
      break;
    }
    case MPV_EVENT_SHUTDOWN:
      finish("Quit");
      break;
    default:
      break;
  }
}

void Player::finish(const char* why) {
  if (done_) return;
  done_ = true;
  channel_.stop();
  out("\nExiting... (%s)\n", why);
}

double Player::numberProperty(const char* name, double fallback) {
  double value = fallback;
  if (mpv_get_property(mpv_, name, MPV_FORMAT_DOUBLE, &value) < 0) return fallback;
  return value;
}

void Player::command(std::initializer_list<const char*> words) {
  std::vector<const char*> list(words);
  list.push_back(nullptr);
  mpv_command(mpv_, list.data());
}

void Player::identify() {
  out("ID_FILENAME=%s\n", arguments_.source.toUtf8().constData());
  const int64_t count = static_cast<int64_t>(numberProperty("track-list/count"));
  for (int64_t i = 0; i < count; ++i) {
    const QByteArray base = "track-list/" + QByteArray::number(static_cast<qlonglong>(i)) + "/";
    char* type = mpv_get_property_string(mpv_, (base + "type").constData());
    int64_t id = 0;
    mpv_get_property(mpv_, (base + "id").constData(), MPV_FORMAT_INT64, &id);
    char* lang = mpv_get_property_string(mpv_, (base + "lang").constData());
    const QByteArray kind = type ? type : "";
    const long long n = static_cast<long long>(id);
    if (kind == "audio") {
      out("ID_AUDIO_ID=%lld\n", n);
      if (lang && *lang) out("ID_AID_%lld_LANG=%s\n", n, lang);
    } else if (kind == "sub") {
      out("ID_SUBTITLE_ID=%lld\n", n);
      if (lang && *lang) out("ID_SID_%lld_LANG=%s\n", n, lang);
    } else if (kind == "video") {
      out("ID_VIDEO_ID=%lld\n", n);
    }
    mpv_free(type);
    mpv_free(lang);
  }
  const double length = numberProperty("duration");
  out("ID_LENGTH=%.2f\n", length);
  if (arguments_.dvdTitle > 0) out("ID_DVD_TITLE_%d_LENGTH=%.3f\n", arguments_.dvdTitle, length);
}

void Player::startChannel() {
  int64_t width = 0, height = 0, dwidth = 0, dheight = 0;
  mpv_get_property(mpv_, "width", MPV_FORMAT_INT64, &width);
  mpv_get_property(mpv_, "height", MPV_FORMAT_INT64, &height);
  mpv_get_property(mpv_, "dwidth", MPV_FORMAT_INT64, &dwidth);
  mpv_get_property(mpv_, "dheight", MPV_FORMAT_INT64, &dheight);
  if (width <= 0 || height <= 0) return;
  // 4:2:2 pairs pixels: the frame is an even number of pixels wide.
  const int w = static_cast<int>(std::max<int64_t>(2, width & ~int64_t{1}));
  const int h = static_cast<int>(height);
  if (w == width_ && h == height_ && channel_.started()) return;
  width_ = w;
  height_ = h;
  stride_ = (static_cast<size_t>(w) * 4 + kRowAlignment - 1) / kRowAlignment * kRowAlignment;
  rgb_.assign(stride_ * h + kRowAlignment, 0);
  const auto address = reinterpret_cast<uintptr_t>(rgb_.data());
  rgbAligned_ = rgb_.data() + (kRowAlignment - address % kRowAlignment) % kRowAlignment;
  const double aspect = dwidth > 0 && dheight > 0 ? double(dwidth) / double(dheight) : double(w) / h;
  channel_.start(w, h, static_cast<int>(std::lround(aspect * 100)));
}

void Player::renderFrame() {
  if (!render_) return;
  if (!(mpv_render_context_update(render_) & MPV_RENDER_UPDATE_FRAME)) return;
  // A frame is drawn even with no view, so that playback never waits for one.
  static uint8_t scratch[16 * 16 * 4 + kRowAlignment];
  int size[2] = {width_, height_};
  size_t stride = stride_;
  void* target = rgbAligned_;
  if (!rgbAligned_) {
    size[0] = size[1] = 16;
    stride = 16 * 4;
    const auto address = reinterpret_cast<uintptr_t>(scratch);
    target = scratch + (kRowAlignment - address % kRowAlignment) % kRowAlignment;
  }
  char format[] = "rgb0";
  mpv_render_param params[] = {{MPV_RENDER_PARAM_SW_SIZE, size},
                               {MPV_RENDER_PARAM_SW_FORMAT, format},
                               {MPV_RENDER_PARAM_SW_STRIDE, &stride},
                               {MPV_RENDER_PARAM_SW_POINTER, target},
                               {MPV_RENDER_PARAM_INVALID, nullptr}};
  if (mpv_render_context_render(render_, params) < 0) return;
  if (rgbAligned_) channel_.frame(rgbAligned_, stride_);
}

void Player::printStatus() {
  if (!loaded_ || paused_) return;
  const double position = numberProperty("time-pos");
  out("A:%7.1f V:%7.1f A-V:  0.000 ct:  0.000   0/  0  0%%  0%%  0.0%% 0 0\r", position, position);
}

void Player::handleCommand(const QByteArray& line) {
  const QList<QByteArray> words = line.simplified().split(' ');
  const QByteArray& name = words[0];
  auto arg = [&](int i) -> QByteArray { return i < words.size() ? words[i] : QByteArray(); };
  if (name == "quit") {
    command({"stop"});
    finish("Quit");
  } else if (name == "stop") {
    command({"stop"});
    finish("End of file");
  } else if (name == "pause") {
    paused_ = !paused_;
    mpv_set_property_string(mpv_, "pause", paused_ ? "yes" : "no");
    if (paused_) out("\n  =====  PAUSE  =====\n");
  } else if (name == "seek") {
    const int type = arg(2).toInt();
    const char* mode = type == 1 ? "absolute-percent" : type == 2 ? "absolute" : "relative";
    command({"seek", arg(1).constData(), mode});
  } else if (name == "seek_chapter") {
    // Type 0 (the default) moves by chapters, anything else goes to a chapter.
    if (arg(2).toInt() == 0)
      command({"add", "chapter", arg(1).constData()});
    else
      command({"set", "chapter", arg(1).constData()});
  } else if (name == "sub_select") {
    const int id = arg(1).isEmpty() ? 0 : arg(1).toInt();
    if (arg(1).isEmpty())
      command({"cycle", "sub"});
    else if (id < 0)
      mpv_set_property_string(mpv_, "sid", "no");
    else
      mpv_set_property_string(mpv_, "sid", arg(1).constData());
  } else if (name == "switch_audio") {
    if (arg(1).isEmpty() || arg(1).toInt() < 0)
      command({"cycle", "audio"});
    else
      mpv_set_property_string(mpv_, "aid", arg(1).constData());
  } else if (name == "get_time_length") {
    out("ANS_LENGTH=%.2f\n", numberProperty("duration"));
  } else if (name == "get_time_pos") {
    out("ANS_TIME_POSITION=%.1f\n", numberProperty("time-pos"));
  } else if (name == "get_property") {
    const QByteArray property = arg(1);
    auto trackId = [&](const char* mpvName) {
      char* v = mpv_get_property_string(mpv_, mpvName);
      const QByteArray text = v ? v : "no";
      mpv_free(v);
      return text == "no" ? QByteArray("-1") : text;
    };
    if (property == "pause")
      out("ANS_pause=%s\n", paused_ ? "yes" : "no");
    else if (property == "switch_audio")
      out("ANS_switch_audio=%s\n", trackId("aid").constData());
    else if (property == "sub")
      out("ANS_sub=%s\n", trackId("sid").constData());
    else if (property == "time_pos")
      out("ANS_time_pos=%.1f\n", numberProperty("time-pos"));
    else if (property == "length")
      out("ANS_length=%.2f\n", numberProperty("duration"));
    else
      out("ANS_ERROR=PROPERTY_UNKNOWN\n");
  } else {
    out("Command %s is not known.\n", name.constData());
  }
}

}  // namespace zuvo::player
