#pragma once
// The codes of a conversion's failures, as the queue and the logs tell them apart.
#include <QtGlobal>

namespace zuvo {

namespace ConversionCode {
inline constexpr qint32 JoinFailed = 1;
inline constexpr qint32 Stopped = 2;  // the user stopped the conversion
inline constexpr qint32 MissingDVDTitle = 3;
inline constexpr qint32 BrokenTimeStamps = 4;
inline constexpr qint32 PlacingFile = 5;  // a file could not be copied, renamed or moved
inline constexpr qint32 VideoTrack = 6;
inline constexpr qint32 AudioTrack = 7;
inline constexpr qint32 MTSPreprocess = 8;
inline constexpr qint32 BurnInSubtitle = 9;
inline constexpr qint32 WritingTags = 10;
inline constexpr qint32 DVDAudioTrack = 11;
inline constexpr qint32 ToolLaunch = 12;  // a tool's program could not be started
}  // namespace ConversionCode

}  // namespace zuvo
