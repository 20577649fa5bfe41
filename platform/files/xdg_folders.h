// The per-user folders of the XDG base-directory rules: where settings, state and data of this user live.
// Each answers the variable's value when it holds an absolute path, else the documented default under HOME.
#pragma once

#include <filesystem>
#include <vector>

namespace vorl {

std::filesystem::path homeFolder();
std::filesystem::path xdgConfigHome();  // $XDG_CONFIG_HOME, else ~/.config
std::filesystem::path xdgStateHome();   // $XDG_STATE_HOME, else ~/.local/state
std::filesystem::path xdgDataHome();    // $XDG_DATA_HOME, else ~/.local/share
// The absolute folders of $XDG_DATA_DIRS in their order of precedence, else /usr/local/share and /usr/share.
std::vector<std::filesystem::path> xdgDataDirs();

}  // namespace vorl

namespace vorl {

// The user's desktop folder: $XDG_DESKTOP_DIR when absolute, else the XDG_DESKTOP_DIR line of
// $XDG_CONFIG_HOME/user-dirs.dirs (as xdg-user-dirs writes it, "$HOME/..." or absolute), else ~/Desktop.
std::filesystem::path xdgDesktopFolder();

}  // namespace vorl
