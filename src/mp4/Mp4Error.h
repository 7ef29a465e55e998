#pragma once
// The result of every MP4 operation that can fail: a value, never an exception.
#include <string>
#include <utility>

namespace zuvo {

class [[nodiscard]] Mp4Error {
 public:
  Mp4Error() = default;  // success
  static Mp4Error ok() { return Mp4Error(); }
  static Mp4Error failure(std::string message) {
    Mp4Error e;
    e.failed_ = true;
    e.message_ = std::move(message);
    return e;
  }

  bool failed() const { return failed_; }
  explicit operator bool() const { return failed_; }  // `if (auto e = f()) return e;`
  const std::string& message() const { return message_; }

 private:
  bool failed_ = false;
  std::string message_;
};

}  // namespace zuvo
