#include "platform/KeyedArchive.h"

#include <QBuffer>
#include <QCborStreamReader>
#include <QCryptographicHash>
#include <limits>

namespace zuvo {
namespace {

constexpr const char* kFormatKey = "format";
constexpr const char* kVersionKey = "version";
constexpr const char* kChecksumKey = "sha256";
constexpr const char* kRootKey = "root";
constexpr const char* kFormatName = "org.zuvo.keyedarchive";
constexpr qint64 kFormatVersion = 1;

QByteArray checksum(const QByteArray& bytes) {
  return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
}

QByteArray pngBytes(const QImage& image) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return bytes;
}

// One whole CBOR item and nothing after it.
std::optional<QCborValue> parseWhole(const QByteArray& bytes) {
  QCborStreamReader reader(bytes);
  QCborValue value = QCborValue::fromCbor(reader);
  if (reader.lastError() != QCborError::NoError || reader.currentOffset() != bytes.size())
    return std::nullopt;
  return value;
}

}  // namespace

KeyedArchiver::KeyedArchiver(const char* className) {
  map_.insert(QLatin1String(archive_detail::kClassKey), QString::fromLatin1(className));
}

void KeyedArchiver::encodeBool(bool value, const QString& key) { map_.insert(key, value); }
void KeyedArchiver::encodeInt32(qint32 value, const QString& key) { map_.insert(key, qint64(value)); }
void KeyedArchiver::encodeUInt32(quint32 value, const QString& key) { map_.insert(key, qint64(value)); }
void KeyedArchiver::encodeInt64(qint64 value, const QString& key) { map_.insert(key, value); }
void KeyedArchiver::encodeDouble(double value, const QString& key) { map_.insert(key, value); }
void KeyedArchiver::encodeFloat(float value, const QString& key) { map_.insert(key, double(value)); }

void KeyedArchiver::encodeString(const QString& value, const QString& key) {
  if (!value.isNull()) map_.insert(key, value);
}

void KeyedArchiver::encodeStringList(const QStringList& value, const QString& key) {
  map_.insert(key, QCborArray::fromStringList(value));
}

void KeyedArchiver::encodeImage(const QImage& value, const QString& key) {
  if (!value.isNull()) map_.insert(key, pngBytes(value));
}

void KeyedArchiver::encodeImageList(const QList<QImage>& value, const QString& key) {
  QCborArray list;
  for (const QImage& image : value)
    if (!image.isNull()) list.append(pngBytes(image));
  map_.insert(key, list);
}

void KeyedArchiver::encodeData(const QByteArray& value, const QString& key) {
  if (!value.isEmpty()) map_.insert(key, value);
}

void KeyedArchiver::encodeDictionary(const QMap<qint32, QVariant>& value, const QString& key) {
  QCborMap dictionary;
  for (auto it = value.begin(); it != value.end(); ++it) {
    const bool flag = it.value().typeId() == QMetaType::Bool;
    dictionary.insert(qint64(it.key()),
                      flag ? QCborValue(it.value().toBool()) : QCborValue(it.value().toString()));
  }
  map_.insert(key, dictionary);
}

KeyedUnarchiver::KeyedUnarchiver(const QCborMap& map, const char* className, std::shared_ptr<QString> failure)
    : map_(map),
      className_(className),
      failure_(failure ? std::move(failure) : std::make_shared<QString>()) {}

bool KeyedUnarchiver::containsValueForKey(const QString& key) const { return map_.contains(key); }

void KeyedUnarchiver::fail(const QString& why) const {
  if (failure_->isEmpty()) *failure_ = why;
}

QString KeyedUnarchiver::wrongKind(const QString& key, const char* expected) const {
  return QStringLiteral("key \"%1\" of %2 does not hold %3")
      .arg(key, QLatin1String(className_), QLatin1String(expected));
}

bool KeyedUnarchiver::checkClass(const QCborValue& value, const char* className, const QString& where) const {
  const QString found = value.toMap().value(QLatin1String(archive_detail::kClassKey)).toString();
  if (!value.isMap() || found != QLatin1String(className)) {
    fail(QStringLiteral("\"%1\" of %2 holds %3 where %4 belongs")
             .arg(where, QLatin1String(className_), found.isEmpty() ? QStringLiteral("no object") : found,
                  QLatin1String(className)));
    return false;
  }
  return true;
}

bool KeyedUnarchiver::decodeBool(const QString& key) const {
  const QCborValue v = map_.value(key);
  if (v.isUndefined()) return false;
  if (!v.isBool()) fail(wrongKind(key, "a flag"));
  return v.toBool();
}

qint64 KeyedUnarchiver::decodeInt64(const QString& key) const {
  const QCborValue v = map_.value(key);
  if (v.isUndefined()) return 0;
  if (!v.isInteger()) {
    fail(wrongKind(key, "an integer"));
    return 0;
  }
  return v.toInteger();
}

qint32 KeyedUnarchiver::decodeInt32(const QString& key) const {
  const qint64 v = decodeInt64(key);
  if (v < std::numeric_limits<qint32>::min() || v > std::numeric_limits<qint32>::max()) {
    fail(wrongKind(key, "a 32-bit integer"));
    return 0;
  }
  return qint32(v);
}

quint32 KeyedUnarchiver::decodeUInt32(const QString& key) const {
  const qint64 v = decodeInt64(key);
  if (v < 0 || v > qint64(std::numeric_limits<quint32>::max())) {
    fail(wrongKind(key, "an unsigned 32-bit integer"));
    return 0;
  }
  return quint32(v);
}

double KeyedUnarchiver::decodeDouble(const QString& key) const {
  const QCborValue v = map_.value(key);
  if (v.isUndefined()) return 0;
  if (!v.isDouble() && !v.isInteger()) fail(wrongKind(key, "a number"));
  return v.toDouble();
}

float KeyedUnarchiver::decodeFloat(const QString& key) const { return float(decodeDouble(key)); }

QString KeyedUnarchiver::decodeString(const QString& key) const {
  const QCborValue v = map_.value(key);
  if (v.isUndefined()) return QString();
  if (!v.isString()) {
    fail(wrongKind(key, "a text"));
    return QString();
  }
  const QString text = v.toString();
  return text.isNull() ? QStringLiteral("") : text;  // the empty text is not absent
}

QStringList KeyedUnarchiver::decodeStringList(const QString& key) const {
  const QCborValue v = map_.value(key);
  QStringList out;
  if (v.isUndefined()) return out;
  if (!v.isArray()) {
    fail(wrongKind(key, "a list of texts"));
    return out;
  }
  for (const QCborValue& item : v.toArray()) {
    if (!item.isString()) {
      fail(wrongKind(key, "a list of texts"));
      return {};
    }
    out.append(item.toString());
  }
  return out;
}

QImage KeyedUnarchiver::decodeImage(const QString& key) const {
  const QCborValue v = map_.value(key);
  if (v.isUndefined()) return QImage();
  QImage image;
  if (!v.isByteArray() || !image.loadFromData(v.toByteArray(), "PNG")) fail(wrongKind(key, "a PNG image"));
  return image;
}

QList<QImage> KeyedUnarchiver::decodeImageList(const QString& key) const {
  const QCborValue v = map_.value(key);
  QList<QImage> out;
  if (v.isUndefined()) return out;
  if (!v.isArray()) {
    fail(wrongKind(key, "a list of images"));
    return out;
  }
  for (const QCborValue& item : v.toArray()) {
    QImage image;
    if (!item.isByteArray() || !image.loadFromData(item.toByteArray(), "PNG")) {
      fail(wrongKind(key, "a list of PNG images"));
      return {};
    }
    out.append(image);
  }
  return out;
}

QByteArray KeyedUnarchiver::decodeData(const QString& key) const {
  const QCborValue v = map_.value(key);
  if (v.isUndefined()) return {};
  if (!v.isByteArray()) fail(wrongKind(key, "bytes"));
  return v.toByteArray();
}

QMap<qint32, QVariant> KeyedUnarchiver::decodeDictionary(const QString& key) const {
  const QCborValue v = map_.value(key);
  QMap<qint32, QVariant> out;
  if (v.isUndefined()) return out;
  if (!v.isMap()) {
    fail(wrongKind(key, "a dictionary"));
    return out;
  }
  const QCborMap dictionary = v.toMap();
  for (auto it = dictionary.begin(); it != dictionary.end(); ++it) {
    const QCborValue number = it.key();
    const QCborValue item = it.value();
    const bool keyFits = number.isInteger() && number.toInteger() >= std::numeric_limits<qint32>::min() &&
                         number.toInteger() <= std::numeric_limits<qint32>::max();
    if (!keyFits || !(item.isString() || item.isBool())) {
      fail(wrongKind(key, "a dictionary of texts and flags by 32-bit number"));
      return {};
    }
    out.insert(qint32(number.toInteger()),
               item.isBool() ? QVariant(item.toBool()) : QVariant(item.toString()));
  }
  return out;
}

QByteArray sealArchive(const QCborValue& root) {
  const QByteArray payload = root.toCbor();
  QCborMap archive;
  archive.insert(QLatin1String(kFormatKey), QLatin1String(kFormatName));
  archive.insert(QLatin1String(kVersionKey), kFormatVersion);
  archive.insert(QLatin1String(kChecksumKey), checksum(payload));
  archive.insert(QLatin1String(kRootKey), payload);
  return QCborValue(archive).toCbor();
}

std::optional<QCborValue> openArchive(const QByteArray& data, QString* failure) {
  auto fail = [failure](const QString& why) -> std::optional<QCborValue> {
    if (failure) *failure = why;
    return std::nullopt;
  };
  const std::optional<QCborValue> outer = parseWhole(data);
  if (!outer || !outer->isMap()) return fail(QStringLiteral("not a keyed archive, or cut short"));
  const QCborMap archive = outer->toMap();
  if (archive.value(QLatin1String(kFormatKey)).toString() != QLatin1String(kFormatName))
    return fail(QStringLiteral("not a keyed archive of this format"));
  const QCborValue version = archive.value(QLatin1String(kVersionKey));
  if (!version.isInteger() || version.toInteger() != kFormatVersion)
    return fail(QStringLiteral("keyed archive of an unknown version"));
  const QByteArray payload = archive.value(QLatin1String(kRootKey)).toByteArray();
  if (archive.value(QLatin1String(kChecksumKey)).toByteArray() != checksum(payload))
    return fail(QStringLiteral("keyed archive is damaged (checksum mismatch)"));
  const std::optional<QCborValue> root = parseWhole(payload);
  if (!root) return fail(QStringLiteral("keyed archive is damaged (unreadable root)"));
  return root;
}

}  // namespace zuvo
