#pragma once
// One Zuvo per session and per profile. The first launch claims a name on the session bus
// and holds a lock file in the support folder; a later launch hands the paths it was given
// to that instance and ends. Without a session bus the lock alone decides, and the paths
// go over a local socket named after the support folder. The same method serves the
// Services entry (`service` true: the paths are added as the Services entry adds them).
#include <QObject>
#include <QStringList>
#include <functional>

class QLocalServer;

namespace zuvo {

inline constexpr const char* kHandOverServiceName = "org.zuvo.Zuvo";
inline constexpr const char* kHandOverObjectPath = "/org/zuvo/Zuvo";
// The lock file in the support folder, held for the life of the running instance.
inline constexpr const char* kProfileLockName = "zuvo.lock";

class HandOverService : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.zuvo.Zuvo")

 public:
  using Receiver = std::function<void(const QStringList& paths, bool service)>;

  enum class Claim {
    Claimed,  // this is the running instance
    Taken,    // another instance holds the name or the profile
    NoBus,    // no session bus: this instance runs, holding the profile
  };

  explicit HandOverService(QObject* parent = nullptr);
  ~HandOverService() override;
  // Where calls go; calls arriving before it is set are kept for it.
  void setReceiver(Receiver receive);
  // Publishes the object, then claims the name and the profile.
  Claim claim();
  // A later launch: hands `paths` to the running instance that claim() found. False when
  // it did not answer.
  bool handOverToRunningInstance(const QStringList& paths, bool service);

 public Q_SLOTS:
  Q_SCRIPTABLE void OpenFiles(const QStringList& paths, bool service);

 private:
  // False when another instance holds the profile.
  bool lockProfile();
  void listenLocally();
  void serve();

  Receiver receive_;
  QList<std::pair<QStringList, bool>> waiting_;
  int lockFd_ = -1;
  bool overTheBus_ = false;  // where a later launch hands over
  QLocalServer* server_ = nullptr;
};

}  // namespace zuvo
