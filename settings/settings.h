#pragma once

#include <optional>
#include <string>

namespace moxtal {

class TForm1;

inline constexpr const char* kMainCfg = "main.cfg";
inline constexpr const char* kPatternCfg = "pattern.cfg";

// The text of a settings file; nothing when there is none. Throws AppError "ファイル <path> は開けません"
// when it exists but cannot be read.
std::optional<std::string> readSettingsFile(const std::string& path);

// Restores main.cfg to the main window, the confirmation dialog and the watcher, value by value in
// the file's order. A damaged file keeps every value applied before the failing line and then
// throws AppError with the reader's message.
void LoadSettings(TForm1& form);

// Writes main.cfg from the three windows, whole, through a temporary file.
void SaveSettings(TForm1& form);

// Reloads the preset store from pattern.cfg (when the file exists) and rebuilds "Load Preset".
void BuildPresetMenu(TForm1& form);

// Registers the current pattern and replacement under comment, writes pattern.cfg and rebuilds
// the menu; a failed write leaves the menu as it was.
void registerCurrentPreset(TForm1& form, const std::string& comment);

}  // namespace moxtal
