#pragma once
// Keyed archives on CBOR. Every object is one map of its own keys plus a class tag;
// the archive around the root carries a format name, a version and a checksum of the
// root's bytes, so that truncated or damaged data decodes to nothing rather than to
// wrong values. Images are stored as PNG bytes.
//
// An archivable type names its class and codes itself:
//   static constexpr const char* kArchiveClass = "VideoTrack";
//   void encodeWithCoder(KeyedArchiver& coder) const;
//   static R initWithCoder(const KeyedUnarchiver& coder);  // R: the type or a shared_ptr of it
// A key that an archive lacks reads as absent, 0 or NO; a key that holds the wrong kind
// of value, or an object of another class, makes the whole archive unreadable.
#include <QByteArray>
#include <QCborArray>
#include <QCborMap>
#include <QCborValue>
#include <QImage>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <concepts>
#include <functional>
#include <memory>
#include <optional>
#include <type_traits>
#include <vector>

namespace zuvo {

class KeyedArchiver;
class KeyedUnarchiver;

template <class T>
concept KeyedCoding = requires(const T& object, KeyedArchiver& archiver, const KeyedUnarchiver& unarchiver) {
  { T::kArchiveClass } -> std::convertible_to<const char*>;
  object.encodeWithCoder(archiver);
  T::initWithCoder(unarchiver);
};

namespace archive_detail {
// Lists may hold objects by value or by shared pointer.
template <class T>
struct Element {
  using Object = T;
  static const T* get(const T& value) { return &value; }
};
template <class T>
struct Element<std::shared_ptr<T>> {
  using Object = T;
  static const T* get(const std::shared_ptr<T>& value) { return value.get(); }
};
template <class T>
struct IsList : std::false_type {};
template <class T>
struct IsList<QList<T>> : std::true_type {};
template <class T>
struct IsOptional : std::false_type {};
template <class T>
struct IsOptional<std::optional<T>> : std::true_type {};

// The class tag key; no archived key starts with "$".
inline constexpr const char* kClassKey = "$class";
}  // namespace archive_detail

class KeyedArchiver {
 public:
  explicit KeyedArchiver(const char* className);

  void encodeBool(bool value, const QString& key);
  void encodeInt32(qint32 value, const QString& key);
  void encodeUInt32(quint32 value, const QString& key);
  void encodeInt64(qint64 value, const QString& key);
  void encodeDouble(double value, const QString& key);
  void encodeFloat(float value, const QString& key);
  // A null text is left out, so that it decodes as absent.
  void encodeString(const QString& value, const QString& key);
  void encodeStringList(const QStringList& value, const QString& key);
  // A null image is left out (of lists too).
  void encodeImage(const QImage& value, const QString& key);
  void encodeImageList(const QList<QImage>& value, const QString& key);
  // Bytes as they are; empty bytes are left out.
  void encodeData(const QByteArray& value, const QString& key);
  // A dictionary keyed by 32-bit numbers whose values are texts or flags: a flag stays a
  // flag, any other value is stored as its text.
  void encodeDictionary(const QMap<qint32, QVariant>& value, const QString& key);

  template <class T>
  requires KeyedCoding<typename archive_detail::Element<T>::Object>
  void encodeObject(const T& object, const QString& key) {
    if (const auto* o = archive_detail::Element<T>::get(object)) map_.insert(key, encodedMap(*o));
  }
  template <class T>
  requires KeyedCoding<typename archive_detail::Element<T>::Object>
  void encodeObjectList(const QList<T>& objects, const QString& key) {
    map_.insert(key, encodedList(objects));
  }

  // One call for every kind above, chosen by the value's type (table-driven records).
  template <class T>
  void encodeValue(const T& value, const QString& key);

  template <class T>
  requires KeyedCoding<typename archive_detail::Element<T>::Object>
  static QCborMap encodedMap(const T& object) {
    KeyedArchiver coder(archive_detail::Element<T>::Object::kArchiveClass);
    if (const auto* o = archive_detail::Element<T>::get(object)) o->encodeWithCoder(coder);
    return coder.map_;
  }
  template <class T>
  static QCborArray encodedList(const QList<T>& objects) {
    QCborArray list;
    for (const T& o : objects)
      if (archive_detail::Element<T>::get(o)) list.append(encodedMap(o));
    return list;
  }

  const QCborMap& map() const { return map_; }

 private:
  QCborMap map_;
};

class KeyedUnarchiver {
 public:
  // Reads one object's map. The failure state is shared with the coders of nested
  // objects, so that one bad value anywhere fails the whole archive.
  KeyedUnarchiver(const QCborMap& map, const char* className, std::shared_ptr<QString> failure = {});

  bool containsValueForKey(const QString& key) const;
  bool decodeBool(const QString& key) const;
  qint32 decodeInt32(const QString& key) const;
  quint32 decodeUInt32(const QString& key) const;
  qint64 decodeInt64(const QString& key) const;
  double decodeDouble(const QString& key) const;
  float decodeFloat(const QString& key) const;
  QString decodeString(const QString& key) const;  // null when absent
  QStringList decodeStringList(const QString& key) const;
  QImage decodeImage(const QString& key) const;  // null when absent
  QList<QImage> decodeImageList(const QString& key) const;
  QByteArray decodeData(const QString& key) const;  // empty when absent
  // Values come back as QString or bool; empty when absent.
  QMap<qint32, QVariant> decodeDictionary(const QString& key) const;

  template <KeyedCoding T>
  auto decodeObject(const QString& key) const
      -> std::optional<decltype(T::initWithCoder(std::declval<const KeyedUnarchiver&>()))> {
    if (!containsValueForKey(key)) return std::nullopt;
    return decodedObject<T>(map_.value(key), key);
  }
  template <KeyedCoding T>
  auto decodeObjectList(const QString& key) const
      -> QList<decltype(T::initWithCoder(std::declval<const KeyedUnarchiver&>()))> {
    QList<decltype(T::initWithCoder(*this))> out;
    if (!containsValueForKey(key)) return out;
    const QCborValue value = map_.value(key);
    if (!value.isArray()) {
      fail(wrongKind(key, "a list"));
      return out;
    }
    for (const QCborValue& item : value.toArray()) {
      auto object = decodedObject<T>(item, key);
      if (!object) return {};
      out.append(std::move(*object));
    }
    return out;
  }

  // One call for every kind, chosen by the type: nothing when the key is absent.
  template <class T>
  std::optional<T> decodeValue(const QString& key) const;

  bool failed() const { return !failure_->isEmpty(); }
  QString failure() const { return *failure_; }
  void fail(const QString& why) const;

  // Reads a value as an object of class T: nothing (and the archive failed) when it is
  // not a map of that class.
  template <KeyedCoding T>
  auto decodedObject(const QCborValue& value, const QString& where) const
      -> std::optional<decltype(T::initWithCoder(std::declval<const KeyedUnarchiver&>()))> {
    if (!checkClass(value, T::kArchiveClass, where)) return std::nullopt;
    KeyedUnarchiver child(value.toMap(), T::kArchiveClass, failure_);
    auto object = T::initWithCoder(child);
    if (failed()) return std::nullopt;
    return object;
  }

 private:
  bool checkClass(const QCborValue& value, const char* className, const QString& where) const;
  QString wrongKind(const QString& key, const char* expected) const;
  QCborMap map_;
  const char* className_;
  std::shared_ptr<QString> failure_;
};

// The sealed bytes around a root value (an object map or a list of them), and the way
// back. `openArchive` gives nothing, with the reason in `failure`, for anything that is
// not a whole, undamaged archive of this format.
QByteArray sealArchive(const QCborValue& root);
std::optional<QCborValue> openArchive(const QByteArray& data, QString* failure);

template <class T>
QByteArray archivedDataWithRootObject(const T& object) {
  return sealArchive(KeyedArchiver::encodedMap(object));
}
template <class T>
QByteArray archivedDataWithRootObjects(const QList<T>& objects) {
  return sealArchive(KeyedArchiver::encodedList(objects));
}

template <KeyedCoding T>
auto unarchiveObjectWithData(const QByteArray& data, QString* failure = nullptr)
    -> std::optional<decltype(T::initWithCoder(std::declval<const KeyedUnarchiver&>()))> {
  const std::optional<QCborValue> root = openArchive(data, failure);
  if (!root) return std::nullopt;
  KeyedUnarchiver top(QCborMap(), "archive");
  auto object = top.decodedObject<T>(*root, QStringLiteral("root"));
  if (!object && failure) *failure = top.failure();
  return object;
}

template <KeyedCoding T>
auto unarchiveObjectsWithData(const QByteArray& data, QString* failure = nullptr)
    -> std::optional<QList<decltype(T::initWithCoder(std::declval<const KeyedUnarchiver&>()))>> {
  const std::optional<QCborValue> root = openArchive(data, failure);
  if (!root) return std::nullopt;
  QCborMap holder;
  holder.insert(QStringLiteral("root"), *root);
  KeyedUnarchiver top(holder, "archive");
  if (!root->isArray()) top.fail(QStringLiteral("the archive holds no list"));
  auto list = top.decodeObjectList<T>(QStringLiteral("root"));
  if (top.failed()) {
    if (failure) *failure = top.failure();
    return std::nullopt;
  }
  return list;
}

// A record's archive as one table: a key with its getter and setter per row, in the
// order the keys are written. An absent key sets a number, flag or text to 0, NO or
// absent, and leaves an object, list or image as it is.
template <class R>
struct ArchivedField {
  const char* key;
  void (*encode)(const R& record, KeyedArchiver& coder, const QString& key);
  void (*decode)(R& record, const KeyedUnarchiver& coder, const QString& key);
};

template <class R, auto Get, auto Set>
ArchivedField<R> archived(const char* key) {
  using T = std::remove_cvref_t<std::invoke_result_t<decltype(Get), const R&>>;
  return {key,
          [](const R& record, KeyedArchiver& coder, const QString& k) {
            coder.encodeValue<T>(std::invoke(Get, record), k);
          },
          [](R& record, const KeyedUnarchiver& coder, const QString& k) {
            std::optional<T> value = coder.decodeValue<T>(k);
            if (value)
              std::invoke(Set, record, std::move(*value));
            else if constexpr (std::is_arithmetic_v<T> || std::is_same_v<T, QString>)
              std::invoke(Set, record, T{});
          }};
}

template <class R>
using ArchivedFields = std::vector<ArchivedField<R>>;

template <class R>
void encodeFields(const ArchivedFields<R>& fields, const R& record, KeyedArchiver& coder) {
  for (const ArchivedField<R>& field : fields) field.encode(record, coder, QLatin1String(field.key));
}
template <class R>
void decodeFields(const ArchivedFields<R>& fields, R& record, const KeyedUnarchiver& coder) {
  for (const ArchivedField<R>& field : fields) field.decode(record, coder, QLatin1String(field.key));
}
// A fresh record (by default the plain initialiser's) with every archived field read over it.
template <class R>
R decodedRecord(const ArchivedFields<R>& fields, const KeyedUnarchiver& coder, R record = R()) {
  decodeFields(fields, record, coder);
  return record;
}

template <class T>
void KeyedArchiver::encodeValue(const T& value, const QString& key) {
  using archive_detail::IsList;
  using archive_detail::IsOptional;
  if constexpr (std::is_same_v<T, bool>)
    encodeBool(value, key);
  else if constexpr (std::is_same_v<T, qint32>)
    encodeInt32(value, key);
  else if constexpr (std::is_same_v<T, quint32>)
    encodeUInt32(value, key);
  else if constexpr (std::is_same_v<T, qint64>)
    encodeInt64(value, key);
  else if constexpr (std::is_same_v<T, double>)
    encodeDouble(value, key);
  else if constexpr (std::is_same_v<T, float>)
    encodeFloat(value, key);
  else if constexpr (std::is_same_v<T, QString>)
    encodeString(value, key);
  else if constexpr (std::is_same_v<T, QStringList>)
    encodeStringList(value, key);
  else if constexpr (std::is_same_v<T, QImage>)
    encodeImage(value, key);
  else if constexpr (std::is_same_v<T, QList<QImage>>)
    encodeImageList(value, key);
  else if constexpr (IsOptional<T>::value) {
    if (value) encodeObject(*value, key);
  } else if constexpr (IsList<T>::value)
    encodeObjectList(value, key);
  else
    encodeObject(value, key);
}

template <class T>
std::optional<T> KeyedUnarchiver::decodeValue(const QString& key) const {
  using archive_detail::IsList;
  using archive_detail::IsOptional;
  if (!containsValueForKey(key)) return std::nullopt;
  if constexpr (std::is_same_v<T, bool>)
    return decodeBool(key);
  else if constexpr (std::is_same_v<T, qint32>)
    return decodeInt32(key);
  else if constexpr (std::is_same_v<T, quint32>)
    return decodeUInt32(key);
  else if constexpr (std::is_same_v<T, qint64>)
    return decodeInt64(key);
  else if constexpr (std::is_same_v<T, double>)
    return decodeDouble(key);
  else if constexpr (std::is_same_v<T, float>)
    return decodeFloat(key);
  else if constexpr (std::is_same_v<T, QString>)
    return decodeString(key);
  else if constexpr (std::is_same_v<T, QStringList>)
    return decodeStringList(key);
  else if constexpr (std::is_same_v<T, QImage>)
    return decodeImage(key);
  else if constexpr (std::is_same_v<T, QList<QImage>>)
    return decodeImageList(key);
  else if constexpr (IsOptional<T>::value) {
    auto object = decodeObject<typename T::value_type>(key);
    if (!object) return std::nullopt;
    return T(std::move(*object));
  } else if constexpr (IsList<T>::value) {
    using Object = typename archive_detail::Element<typename T::value_type>::Object;
    return decodeObjectList<Object>(key);
  } else {
    return decodeObject<T>(key);
  }
}

}  // namespace zuvo
