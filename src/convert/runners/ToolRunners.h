#pragma once
// One runner per external tool. Each starts its tool with the argument list in the work
// folder, blocks the calling thread (the conversion's worker) until the tool ends, turns the
// tool's progress marker into the media object's progress, time left and pass number, and
// tells the report the item changed after each progress update. Success is judged from the output
// and, for ffmpeg and MP4Box, from the exit status too; the callers judge the files.
//
// Stop (the media object's stop request) ends the tool with its process group:
//   runHandbrake, runFFMpeg  code 2 "Cancel Button Pressed"
//   runMencoder              code 2 "Canceled"
//   runMkvmerge              code 2 "Stop button pressed"
//   runAacgain, runMP4Box, runMkvextract  return; run264Helper answers true
//   runAvimerge              runs on
// Pause (the pause request) suspends the tool of runHandbrake, runMencoder, runMkvmerge and
// runFFMpeg until the request is withdrawn; the others run on.
// A tool that cannot be started: the BCError runners answer code 12 "Unable to start ...",
// run264Helper false; the others log it.
#include <QString>
#include <optional>

#include "convert/report/ConversionReport.h"
#include "convert/runners/ToolArguments.h"
#include "media/BCCReporter.h"
#include "media/BCError.h"
#include "media/MediaFile.h"

namespace zuvo {

// runFFMpeg's result for an ffmpeg that was ended by a signal or ended with a status other than 0.
constexpr qint32 kToolFailedCode = 13;

// Also MissingDVDTitle "Trying to Import Missing or Damaged DVD", DVDAudioTrack "Zuvo is unable
// to import audio from this DVD". Sets the pass numbers 18 and 7 of a two-task encode.
BCError runHandbrake(const QString& launchPath, const ToolArguments& arguments, const MediaFilePtr& media,
                     const QString& workingFolder, const ConversionReport& report, const Reporter& reporter);
BCError runMencoder(const QString& launchPath, const ToolArguments& arguments, const MediaFilePtr& media,
                    const QString& workingFolder, const ConversionReport& report, const Reporter& reporter);
// Nothing when the tool ended with status 0, else why it did not (the callers also judge the file).
std::optional<QString> runAacgain(const QString& launchPath, const ToolArguments& arguments,
                                  const MediaFilePtr& media, const QString& workingFolder,
                                  const ConversionReport& report, const Reporter& reporter);
std::optional<QString> runMP4Box(const QString& launchPath, const ToolArguments& arguments,
                                 const MediaFilePtr& media, const QString& workingFolder,
                                 const ConversionReport& report, const Reporter& reporter);
void runMkvextract(const QString& launchPath, const ToolArguments& arguments, const MediaFilePtr& media,
                   const QString& workingFolder, const ConversionReport& report, const Reporter& reporter);
// Also JoinFailed "Video Join Failed due to mismatched track properties".
BCError runMkvmerge(const QString& launchPath, const ToolArguments& arguments, const MediaFilePtr& media,
                    const QString& workingFolder, const ConversionReport& report, const Reporter& reporter);
// False when the helper reported an error.
bool run264Helper(const QString& launchPath, const ToolArguments& arguments, const MediaFilePtr& media,
                  const QString& workingFolder, const ConversionReport& report, const Reporter& reporter);
// Also code 4 "File contains broken time stamps.", and kToolFailedCode with the reason.
// runHandbrake and runFFMpeg also report the conversion's percentage done.
BCError runFFMpeg(const QString& launchPath, const ToolArguments& arguments, const MediaFilePtr& media,
                  const QString& workingFolder, const ConversionReport& report, const Reporter& reporter);
void runAvimerge(const QString& launchPath, const ToolArguments& arguments, const MediaFilePtr& media,
                 const QString& workingFolder, const ConversionReport& report, const Reporter& reporter);

}  // namespace zuvo
