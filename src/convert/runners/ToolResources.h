#pragma once
// The resource names of the programs a conversion starts, each written once. A name is
// looked up with paths::toolPath: our own program in libexec/zuvo when we ship one, else
// the system's on PATH.
namespace zuvo::tools {

inline constexpr const char* kFfmpeg = "ffmpeg";
inline constexpr const char* kFfmpegMts = "ffmpeg-mts";
inline constexpr const char* kMencoder = "mencoder";
inline constexpr const char* kMencoderBurn = "mencoder-burn";
inline constexpr const char* kHandBrake = "HandBrakeCLI";
inline constexpr const char* kMkvextract = "mkvextract";
inline constexpr const char* kMkvmerge = "mkvmerge";
inline constexpr const char* kMP4Box = "mp4box";
inline constexpr const char* kAacgain = "aacgain";
inline constexpr const char* kAvimerge = "avimerge";
inline constexpr const char* kHelper264 = "Zuvo264Helper";

}  // namespace zuvo::tools
