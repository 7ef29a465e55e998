#pragma once
// Playing a finished sample with the desktop's default player.
#include <QString>

namespace zuvo {

// The program that opens files with the desktop's default player; the environment
// variable replaces it (tests, or a player of the user's choice).
inline constexpr const char* kSamplePlayerVariable = "ZUVO_SAMPLE_PLAYER";
inline constexpr const char* kDefaultSamplePlayer = "xdg-open";

// Starts the player on `path` and does not wait for it. False when it could not start.
bool playSample(const QString& path);

}  // namespace zuvo
