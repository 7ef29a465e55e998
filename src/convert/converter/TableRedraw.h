#pragma once
// What a conversion is given in place of a table view: a request that the view reload its
// rows. Sending it never waits: the reload runs later on the GUI thread, and requests sent
// while one is still pending are one reload.
#include <atomic>
#include <functional>
#include <memory>

namespace zuvo {

class TableRedraw {
 public:
  TableRedraw() = default;  // redraws nothing
  explicit TableRedraw(std::function<void()> reload);

  void send() const;
  explicit operator bool() const { return static_cast<bool>(reload_); }

 private:
  std::shared_ptr<const std::function<void()>> reload_;
  std::shared_ptr<std::atomic<bool>> pending_;
};

// The queue table in use, set by the controller: the table each new converter redraws and
// the one the ffmpeg runner always redraws.
void setQueueTableRedraw(const TableRedraw& redraw);
TableRedraw queueTableRedraw();

}  // namespace zuvo
