#include "app/controller/ListsSaver.h"

#include "platform/RunLoop.h"

namespace zuvo {

ListsSaver::ListsSaver(const QString& supportFolder, std::function<Lists()> take, int gatherMs)
    : state_(supportFolder), take_(std::move(take)) {
  gather_.setSingleShot(true);
  gather_.setInterval(gatherMs);
  QObject::connect(&gather_, &QTimer::timeout, &context_, [this] { saveNow(); });
  writer_ = std::thread([this] { run(); });
}

ListsSaver::~ListsSaver() {
  gather_.stop();
  cancelRead_ = true;
  if (reader_.joinable()) reader_.join();
  {
    std::lock_guard<std::mutex> guard(lock_);
    stopping_ = true;
  }
  wake_.notify_all();
  writer_.join();
}

void ListsSaver::changed() {
  // Not restarted by later changes: a steady stream of them still gets written.
  if (!gather_.isActive()) gather_.start();
}

void ListsSaver::saveNow() {
  gather_.stop();
  Lists lists = take_();
  {
    std::lock_guard<std::mutex> guard(lock_);
    handedOver_ = std::move(lists);  // an older one not yet begun is replaced
  }
  wake_.notify_all();
}

bool ListsSaver::idle() const {
  std::lock_guard<std::mutex> guard(lock_);
  return !gather_.isActive() && !handedOver_ && !writing_;
}

bool ListsSaver::waitUntilWritten(double seconds) {
  if (gather_.isActive()) saveNow();
  return runloop::waitUntil([this] { return idle(); }, seconds, 5);
}

int ListsSaver::writesDone() const {
  std::lock_guard<std::mutex> guard(lock_);
  return writesDone_;
}

void ListsSaver::run() {
  std::unique_lock<std::mutex> guard(lock_);
  for (;;) {
    wake_.wait(guard, [this] { return handedOver_ || stopping_; });
    if (!handedOver_) return;
    std::optional<Lists> lists = std::move(handedOver_);
    handedOver_.reset();
    writing_ = true;
    guard.unlock();
    state_.write(lists->files, lists->queue);
    lists.reset();  // the last hold on removed items may end here, off the GUI thread
    guard.lock();
    writing_ = false;
    ++writesDone_;
  }
}

void ListsSaver::readInBackground(const Reporter& reporter, std::function<void(RestoredLists)> done) {
  if (reader_.joinable()) reader_.join();
  reading_ = true;
  reader_ = std::thread([this, reporter, done = std::move(done)]() mutable {
    RestoredLists restored = state_.read(reporter, &cancelRead_);
    if (cancelRead_) return;
    QMetaObject::invokeMethod(
        &context_,
        [this, restored = std::move(restored), done = std::move(done)]() mutable {
          reading_ = false;
          done(std::move(restored));
        },
        Qt::QueuedConnection);
  });
}

}  // namespace zuvo
