#pragma once
// A request that a table view reload its rows, as a conversion's report can send it.
// Sending it never waits: the reload runs later on the GUI thread, and requests sent while
// one is still pending are one reload.
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

}  // namespace zuvo
