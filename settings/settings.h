#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/settings_format.h"

namespace moxtal {

inline constexpr const char* kMainCfg = "main.cfg";
inline constexpr const char* kPatternCfg = "pattern.cfg";

// Where main.cfg and pattern.cfg live, ending with "/": the application folder when the user can
// write there, it is not under /usr and it is no install (a portable copy, the build tree); otherwise
// the folder "moxtal" in $XDG_CONFIG_HOME, or in ~/.config when that is not set.
std::string chooseSettingsFolder(const std::string& applicationFolder, bool applicationFolderWritable, bool installed,
                                 const char* xdgConfigHome, const char* home);
// True when the program folder (ending with "/") is the bin/ of an install: the program's desktop
// entry is in ../share/applications/.
bool isInstalledProgramFolder(const std::string& folder);
// The same for this process: asks the file system and the environment.
std::string settingsFolderFor(const std::string& applicationFolder);

// The text of a settings file; nothing when there is none. Throws AppError "ファイル <path> は開けません"
// when it exists but cannot be read.
std::optional<std::string> readSettingsFile(const std::string& path);

// main.cfg of the settings folder as read value by value; nothing when there is none.
std::optional<MainCfgRead> loadMainCfg(const std::string& folder);
// Writes main.cfg whole, through a temporary file, creating the folder when it is missing.
void saveMainCfg(const std::string& folder, const MainSettings& settings);

// The preset store of pattern.cfg; nothing when there is none.
std::optional<PresetStore> loadPresetStore(const std::string& folder);
// Writes pattern.cfg whole, creating the folder when it is missing.
void savePresetStore(const std::string& folder, const PresetStore& store);

}  // namespace moxtal
