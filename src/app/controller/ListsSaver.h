#pragma once
// Saves the two lists without holding up the window: a change arms a short gathering
// time, so that changes made close together become one write; then the lists are taken
// as they stand (a copy of the two lists of shared items, cheap) and written on a thread
// of its own. A change made while a write runs is written after it. Reading them back at
// launch runs on another thread too. Created and called on the GUI thread.
#include <QObject>
#include <QTimer>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

#include "app/controller/RestorableState.h"

namespace zuvo {

class ListsSaver {
 public:
  struct Lists {
    QList<MediaFilePtr> files, queue;
  };
  static constexpr int kGatherMs = 1000;

  // `take` answers the lists as they stand; it is called on the GUI thread.
  ListsSaver(const QString& supportFolder, std::function<Lists()> take, int gatherMs = kGatherMs);
  // Finishes the write under way and the one handed over after it; a change still being
  // gathered is dropped (quitting saves with `saveNow` first).
  ~ListsSaver();

  // A list changed: a write follows within the gathering time.
  void changed();
  // Takes the lists now and hands them to the writer; the gathering time ends.
  void saveNow();
  // Whether nothing is being gathered, waiting or being written.
  bool idle() const;
  // Keeps events flowing until every change so far is on disk, at most `seconds`.
  bool waitUntilWritten(double seconds);
  int writesDone() const;

  // Reads the saved lists on a thread of its own and hands them to `done` on the GUI
  // thread; nothing is handed over once the saver is gone.
  void readInBackground(const Reporter& reporter, std::function<void(RestoredLists)> done);
  bool reading() const { return reading_; }

 private:
  void run();

  RestorableState state_;
  std::function<Lists()> take_;
  QTimer gather_;
  QObject context_;  // queued hand-overs to the GUI thread die with it

  mutable std::mutex lock_;
  std::condition_variable wake_;
  std::optional<Lists> handedOver_;
  bool writing_ = false;
  bool stopping_ = false;
  int writesDone_ = 0;
  std::thread writer_;

  bool reading_ = false;
  std::atomic<bool> cancelRead_ = false;
  std::thread reader_;
};

}  // namespace zuvo
