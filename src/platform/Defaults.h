#pragma once
// The user-defaults store: the user's own values (an INI file) over a registration
// domain that is held in memory only. Safe to use from any thread.
#include <QMutex>
#include <QSettings>
#include <QStringList>
#include <QVariant>
#include <memory>
#include <type_traits>

namespace zuvo {

// A key of the store together with the type it holds, so that a key is named once, in
// its table, and every read and write of it is checked against that type.
template <typename T>
struct SettingKey {
  const char* name;
  QString key() const { return QString::fromLatin1(name); }
};

class Defaults {
 public:
  static Defaults& standard();

  void registerDefaults(const QVariantMap& defaults);
  QVariantMap registeredDefaults() const;

  // The user's value when stored, else the registered one, else an invalid value.
  QVariant objectForKey(const QString& key) const;
  bool hasUserValue(const QString& key) const;
  // Absent keys read as NO, 0, 0.0, empty text, empty list or empty data.
  bool boolForKey(const QString& key) const;
  int integerForKey(const QString& key) const;
  double doubleForKey(const QString& key) const;
  QString stringForKey(const QString& key) const;
  QStringList stringArrayForKey(const QString& key) const;
  QByteArray dataForKey(const QString& key) const;

  template <typename T>
  T get(SettingKey<T> key) const {
    if constexpr (std::is_same_v<T, bool>)
      return boolForKey(key.key());
    else if constexpr (std::is_same_v<T, int>)
      return integerForKey(key.key());
    else if constexpr (std::is_same_v<T, double>)
      return doubleForKey(key.key());
    else if constexpr (std::is_same_v<T, QString>)
      return stringForKey(key.key());
    else if constexpr (std::is_same_v<T, QStringList>)
      return stringArrayForKey(key.key());
    else {
      static_assert(std::is_same_v<T, QByteArray>, "a setting holds a flag, number, text, list or data");
      return dataForKey(key.key());
    }
  }
  // A key read as another type than it holds, as a text of a number read as that number.
  template <typename As, typename T>
  As getAs(SettingKey<T> key) const {
    return get(SettingKey<As>{key.name});
  }
  template <typename T>
  QVariant object(SettingKey<T> key) const {
    return objectForKey(key.key());
  }
  template <typename T>
  void set(SettingKey<T> key, const std::type_identity_t<T>& value) {
    setObject(QVariant::fromValue(value), key.key());
  }
  template <typename T>
  void remove(SettingKey<T> key) {
    removeObjectForKey(key.key());
  }

  void setObject(const QVariant& value, const QString& key);
  void setBool(bool value, const QString& key) { setObject(value, key); }
  void setInteger(int value, const QString& key) { setObject(value, key); }
  void setDouble(double value, const QString& key) { setObject(value, key); }
  void setString(const QString& value, const QString& key) { setObject(value, key); }
  void removeObjectForKey(const QString& key);
  void synchronize();

  // Points the store at another file and forgets every value (tests, first use).
  void setStorageFile(const QString& path);

  // A settings file that does not parse is copied aside before anything is written to it,
  // and its lines that cannot be read are left out of it, so that one broken line cannot
  // move the keys after it into another section. This answers, once, where the copy
  // went; empty when the file read whole.
  QString takeSetAsideFile();

 private:
  Defaults();
  QSettings& settings() const;
  void keepUnreadableFileAside() const;

  mutable QMutex lock_;
  mutable std::unique_ptr<QSettings> settings_;
  QString file_;
  mutable QString setAside_;
  QVariantMap registered_;
};

}  // namespace zuvo
