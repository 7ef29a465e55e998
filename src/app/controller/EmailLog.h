#pragma once
// The command that mails the main log to the maker's support: the desktop's mail
// program opens a new message with the log attached, for the user to send.
#include <QString>

#include "media/BCCReporter.h"

namespace zuvo {

inline constexpr const char* kSupportAddress = "support@kelvane.example";

// The main log's file in the support folder.
QString mainLogPath();

// Does nothing when there is no main log (logging switched off). Otherwise starts
// xdg-email without waiting for it (its failures are not reported) and notes it in
// the user log.
void emailLog(const Reporter& userLog);

}  // namespace zuvo
