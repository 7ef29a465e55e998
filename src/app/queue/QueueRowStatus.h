#pragma once
// What a queue row draws for an item, worked out afresh from the item every time the row
// is drawn: progress, pass label, colour word, time text, title lines and details.
#include <QString>
#include <QVariantList>

#include "media/MediaFile.h"

namespace zuvo {

struct QueueRowStatus {
  int progress = 0;
  QString passLabel;
  QString colourWord;  // "RED", "AMBER" or "OK"
  QString timeText;
  QString title;
  QString secondLine;
  MediaState state = MediaState::Removed;
  bool finished = false;
  bool detailed = false;  // "DetailedQueue"
  QString details;

  // The ten values in their fixed order, as the status cell unpacks them.
  QVariantList toList() const;
  // Fewer than ten values leave the rest at their defaults.
  static QueueRowStatus fromList(const QVariantList& values);
};

// `detailed` is the "DetailedQueue" setting, `fastModeOn` "EnableFASTMode".
QueueRowStatus queueRowStatus(const MediaFile& item, bool detailed, bool fastModeOn);

// The label of the item's conversion stage; "Err" for a code outside 0 to 18.
QString passLabel(int passnumber, int twopassnumber, ConversionFormat conversionFormat);

// Format, pass-through, subtitles, audio and size, joined by " : ".
QString queueDetailsText(const MediaFile& item, bool fastModeOn);

// "<label> : hh:mm:ss" of a duration in seconds, or the empty text when it reads 0 or less
// in every part.
QString durationText(const QString& label, double seconds);

// The localised "  Calculating Time": the time text of a conversion that has no estimate.
QString calculatingTimeText();

// The localised "Paused": the time text of a conversion held by the queue's pause.
QString pausedText();
// The localised "Queued": what a row waiting for its turn says.
QString queuedText();

}  // namespace zuvo
