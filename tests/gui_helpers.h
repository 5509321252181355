#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/mainwin.h"
#include "app/windows.h"

class TempFolder;

namespace moxtal {
class TRenameReport;
}

// The folder where every window of the widget tests keeps main.cfg and pattern.cfg.
const TempFolder& testSettingsFolder();
// Removes both settings files, so a test starts as on a first run.
void forgetSettings();

// The main window and its four windows over the real file system, keeping its settings in the
// test settings folder.
std::unique_ptr<moxtal::TForm1> makeWindow(std::vector<std::string> arguments = {});

std::vector<std::string> listedNames(moxtal::TForm1& form);

// Runs handler on a modal dialog as soon as it is shown (its own event loop runs then).
void whenShown(std::function<void()> handler);

// Runs handler on the confirmation dialog as soon as it is shown, then closes it.
void whenDialogShows(moxtal::TForm1& form, std::function<void(moxtal::TRenameReport&)> handler);
