#pragma once
// Helpers shared by the media tests.
#include <gtest/gtest.h>

#include <QVariant>
#include <initializer_list>
#include <utility>

#include "media/BCCReporter.h"
#include "media/RegisteredSettings.h"
#include "platform/Defaults.h"
#include "platform/KeyedArchive.h"
#include "support/TestSupport.h"

namespace zuvo::test {

// A log writer into a file of the test home, read back by the tests.
struct CapturedLog {
  QString path = freshFolder("log") + "/log.txt";
  Reporter reporter = BCCReporter::path(path);
  QString text() const { return QString::fromUtf8(readFile(path)); }
};

// User values for the registered settings, removed again at the end of the scope.
class ScopedSettings {
 public:
  ScopedSettings(std::initializer_list<std::pair<const char*, QVariant>> values) {
    registerSettingDefaults();
    for (const auto& [key, value] : values) {
      keys_ << QString::fromLatin1(key);
      Defaults::standard().setObject(value, QString::fromLatin1(key));
    }
  }
  ~ScopedSettings() {
    for (const QString& key : keys_) Defaults::standard().removeObjectForKey(key);
  }
  ScopedSettings(const ScopedSettings&) = delete;
  ScopedSettings& operator=(const ScopedSettings&) = delete;

 private:
  QStringList keys_;
};

// The keys of an object's archive in the order they were written, without the class tag.
template <class T>
QStringList archivedKeys(const T& object) {
  QStringList keys;
  for (const QCborValue& key : KeyedArchiver::encodedMap(object).keys())
    if (key.toString() != QLatin1String(archive_detail::kClassKey)) keys << key.toString();
  return keys;
}

// An object through its archive and back; fails the test when it does not come back.
template <class T>
auto roundTrip(const T& object) {
  QString failure;
  auto back = unarchiveObjectWithData<typename archive_detail::Element<T>::Object>(
      archivedDataWithRootObject(object), &failure);
  EXPECT_TRUE(back.has_value()) << failure.toStdString();
  return back;
}

}  // namespace zuvo::test
