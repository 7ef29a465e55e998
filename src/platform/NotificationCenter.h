#pragma once
// Process-wide notifications by name. Delivery is synchronous, on the posting thread;
// an observer that touches widgets hops to the GUI thread itself.
#include <QMutex>
#include <QString>
#include <QVariantMap>
#include <functional>
#include <vector>

namespace zuvo {

struct Notification {
  QString name;
  const void* object = nullptr;  // the poster
  QVariantMap userInfo;
};

class NotificationCenter {
 public:
  using Observer = std::function<void(const Notification&)>;
  using Token = quint64;

  static NotificationCenter& defaultCenter();

  // Observes `name` from `sender`, or from any sender when `sender` is null.
  Token addObserver(const QString& name, Observer observer, const void* sender = nullptr);
  void removeObserver(Token token);
  void post(const QString& name, const void* object = nullptr, const QVariantMap& userInfo = {});

 private:
  struct Entry {
    Token token;
    QString name;
    const void* sender;
    Observer observer;
  };
  QMutex lock_;
  std::vector<Entry> entries_;
  Token next_ = 1;
};

}  // namespace zuvo
