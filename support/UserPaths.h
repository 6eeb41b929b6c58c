// Per-user folders of the programs: the configuration folder that holds the
// settings and global variables, and the state folder that holds the log.
//
// $QUARNEL_HOME, when set and not empty, replaces both roots (config/ and
// state/ below it), so tests and portable installations never touch the real
// home. Otherwise the XDG base-directory variables are followed, with the
// usual fall-backs below $HOME (or the password database's home folder).
#pragma once

#include <filesystem>
#include <system_error>

// "$XDG_CONFIG_HOME/quarnel" (default "~/.config/quarnel"); the folder is
// created when missing. On failure `ec` is set and the path is still returned.
std::filesystem::path UserConfigDir(std::error_code& ec);

// "$XDG_STATE_HOME/quarnel" (default "~/.local/state/quarnel"); created as above.
std::filesystem::path UserStateDir(std::error_code& ec);
