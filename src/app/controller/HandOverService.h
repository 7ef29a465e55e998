#pragma once
// One Zuvo per session. The first launch claims a name on the session bus; a later launch
// hands the paths it was given to that instance and ends. The same method serves the
// Services entry (`service` true: the paths are added as the Services entry adds them).
#include <QObject>
#include <QStringList>
#include <functional>

namespace zuvo {

inline constexpr const char* kHandOverServiceName = "org.zuvo.Zuvo";
inline constexpr const char* kHandOverObjectPath = "/org/zuvo/Zuvo";

class HandOverService : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.zuvo.Zuvo")

 public:
  using Receiver = std::function<void(const QStringList& paths, bool service)>;

  enum class Claim {
    Claimed,  // this is the running instance
    Taken,    // another instance holds the name
    NoBus,    // no session bus: this instance runs alone
  };

  explicit HandOverService(QObject* parent = nullptr);
  // Where calls go; calls arriving before it is set are kept for it.
  void setReceiver(Receiver receive);
  // Publishes the object, then claims the name.
  Claim claim();

 public Q_SLOTS:
  Q_SCRIPTABLE void OpenFiles(const QStringList& paths, bool service);

 private:
  Receiver receive_;
  QList<std::pair<QStringList, bool>> waiting_;
};

// A later launch: hands `paths` to the running instance. False when it did not answer.
bool handOverToRunningInstance(const QStringList& paths, bool service);

}  // namespace zuvo
