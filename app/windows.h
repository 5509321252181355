#pragma once

#include <memory>
#include <string>
#include <vector>

#include "mainwin.h"

namespace moxtal {

// Creates the five windows once each, in their order: the main window first, then the
// confirmation dialog, the log window, the history editor and the clipboard watcher.
std::unique_ptr<TForm1> createWindows(std::unique_ptr<FolderSource> folders, std::vector<std::string> arguments);

}  // namespace moxtal
