// The rules behind tool_folder.h on POSIX systems, with the process's own
// state (its folder, environment and user) passed in, so that tests can vary
// it. Only tool_folder_posix.cpp and the tests use these.
#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>

namespace kq::folder_rules {

// The variables that choose the user's folders; an unset variable is empty.
struct UserEnvironment {
    std::string home{};        // $HOME, or the user's home from the password database
    std::string configHome{};  // $XDG_CONFIG_HOME
    std::string dataHome{};    // $XDG_DATA_HOME
    std::string runtimeDir{};  // $XDG_RUNTIME_DIR
    std::string tempDir{};     // $TMPDIR
    uid_t uid = 0;
};

// True when exeFolder is installBinFolder, symbolic links resolved (a merged
// /bin -> /usr/bin included). A folder that does not exist is nobody's.
bool isInstallLocation(const std::string& exeFolder, const std::string& installBinFolder);

// $XDG_CONFIG_HOME/<program>/, or ~/.config/<program>/ when the variable is
// unset, empty or relative (the base directory rules ignore a relative one).
std::string configFolder(const UserEnvironment& env, std::string_view program);
// $XDG_DATA_HOME/<program>/, or ~/.local/share/<program>/ likewise.
std::string dataFolder(const UserEnvironment& env, std::string_view program);
// $XDG_RUNTIME_DIR/flashwright/, or, without a usable XDG_RUNTIME_DIR (under
// cron or su), <$TMPDIR or /tmp>/flashwright-<uid>/.
std::string runtimeFolder(const UserEnvironment& env);

// Makes folder and every missing folder above it (new ones with mode 0700);
// true when it stands as a folder afterwards.
bool makeFolders(const std::string& folder, std::string& error);

enum class PrivateFolder {
    Ready,    // a folder (not a link) of uid with mode 0700
    Missing,  // not there, and not to be created
    Refused,  // there, but a link, not a folder, another user's or open to others
    Failed,   // could not be created or examined
};
// Checks folder, which others could have placed in a shared temporary
// folder before us; when create is set, a missing one is made with mode 0700.
// Its parent must exist. error says what is wrong for anything but Ready.
PrivateFolder preparePrivateFolder(const std::string& folder, uid_t uid, bool create, std::string& error);

}  // namespace kq::folder_rules
