#include "platform/NotificationCenter.h"

#include <algorithm>

namespace zuvo {

NotificationCenter& NotificationCenter::defaultCenter() {
  static NotificationCenter center;
  return center;
}

NotificationCenter::Token NotificationCenter::addObserver(const QString& name, Observer observer,
                                                          const void* sender) {
  QMutexLocker guard(&lock_);
  const Token token = next_++;
  entries_.push_back({token, name, sender, std::move(observer)});
  return token;
}

void NotificationCenter::removeObserver(Token token) {
  QMutexLocker guard(&lock_);
  std::erase_if(entries_, [token](const Entry& e) { return e.token == token; });
}

void NotificationCenter::post(const QString& name, const void* object, const QVariantMap& userInfo) {
  // Copy the matching observers so that an observer may add or remove observers.
  std::vector<Observer> targets;
  {
    QMutexLocker guard(&lock_);
    for (const Entry& e : entries_)
      if (e.name == name && (!e.sender || e.sender == object)) targets.push_back(e.observer);
  }
  const Notification note{name, object, userInfo};
  for (const Observer& observer : targets) observer(note);
}

}  // namespace zuvo
