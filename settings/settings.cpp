#include "settings.h"

#include <cstdlib>
#include <unistd.h>

#include "core/regular_expression.h"
#include "core/text_lines.h"
#include "platform/paths.h"
#include "platform/whole_files.h"

namespace moxtal {

std::string chooseSettingsFolder(const std::string& applicationFolder, bool applicationFolderWritable, bool installed,
                                 const char* xdgConfigHome, const char* home)
{
    const bool system = applicationFolder == "/usr/" || applicationFolder.rfind("/usr/", 0) == 0;
    if (applicationFolderWritable && !system && !installed)
        return applicationFolder;
    std::string base;
    if (xdgConfigHome && xdgConfigHome[0] == '/')
        base = xdgConfigHome;
    else
        base = std::string(home && *home ? home : "") + "/.config";
    return joinPath(base, "moxtal/");
}

bool isInstalledProgramFolder(const std::string& folder)
{
    // An install into a prefix (cmake --install --prefix ~/.local) puts the desktop entry beside bin/.
    return pathExists(folder + "../share/applications/org.moxtal.Moxtal.desktop");
}

std::string settingsFolderFor(const std::string& applicationFolder)
{
    const bool writable = ::access(applicationFolder.c_str(), W_OK) == 0;
    return chooseSettingsFolder(applicationFolder, writable, isInstalledProgramFolder(applicationFolder),
                                std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
}

std::optional<std::string> readSettingsFile(const std::string& path)
{
    if (!pathExists(path))
        return std::nullopt;
    std::optional<std::string> text = readWholeFile(path);
    if (!text)
        throw AppError(messages::kCannotOpenFile, {path});
    return text;
}

std::optional<MainCfgRead> loadMainCfg(const std::string& folder)
{
    const std::optional<std::string> text = readSettingsFile(folder + kMainCfg);
    if (!text)
        return std::nullopt;
    return readMainCfg(*text);
}

void saveMainCfg(const std::string& folder, const MainSettings& settings)
{
    makeFolders(folder);
    writeWholeFile(folder + kMainCfg, writeMainCfg(settings));
}

std::optional<PresetStore> loadPresetStore(const std::string& folder)
{
    const std::optional<std::string> text = readSettingsFile(folder + kPatternCfg);
    if (!text)
        return std::nullopt;
    return linesOf(*text);
}

void savePresetStore(const std::string& folder, const PresetStore& store)
{
    makeFolders(folder);
    writeWholeFile(folder + kPatternCfg, writePresetStore(store));
}

}  // namespace moxtal
