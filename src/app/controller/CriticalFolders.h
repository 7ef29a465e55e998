#pragma once
// The folders start-up cannot do without: the cache folder ("ConversionDirectory") and
// the folder for converted files ("ConvertedFilesDirectory"), each made when missing,
// with the fall-backs and alerts the user is shown.
#include <QString>
#include <functional>

#include "media/BCCReporter.h"

namespace zuvo {

struct CriticalFolders {
  QString cacheFolder;  // empty when not even the default could be made
  bool fatal = false;   // the program must end
};

// Shows one modal warning with an "OK" button: the message and its informative text.
using FolderAlert = std::function<void(const QString& message, const QString& informative)>;

// A folder counts only when it is a folder Zuvo can write into: a file of that name, or
// a folder it may not write, is as good as none.
bool isUsableFolder(const QString& path);

// Checks both folders, logging to both logs and storing the fall-backs in the settings.
CriticalFolders checkCriticalFolders(const Reporter& mainLog, const Reporter& userLog,
                                     const FolderAlert& alert);

}  // namespace zuvo
