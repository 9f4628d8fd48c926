#include "platform/tool_folder_rules_posix.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace kq::folder_rules {

namespace {

constexpr mode_t PrivateMode = 0700;                // rwx for the owner alone
constexpr std::string_view RuntimeName = "flashwright";  // kqsim links where flashwright looks

std::string withSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

// The path without trailing slashes: "dir/" would make lstat follow a link.
std::string withoutSlash(std::string folder) {
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return folder;
}

bool usable(const std::string& value) { return !value.empty() && value.front() == '/'; }

std::string baseFolder(const std::string& value, const UserEnvironment& env, std::string_view underHome) {
    if (usable(value)) return withSlash(value);
    return withSlash(env.home) + std::string(underHome);
}

std::string resolved(const std::string& path) {
    std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr), &std::free);
    return real ? std::string(real.get()) : std::string();
}

std::string describeMode(mode_t mode) {
    char text[8];
    std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
    return text;
}

}  // namespace

bool isInstallLocation(const std::string& exeFolder, const std::string& installBinFolder) {
    const std::string exe = resolved(exeFolder);
    return !exe.empty() && exe == resolved(installBinFolder);
}

std::string configFolder(const UserEnvironment& env, std::string_view program) {
    return baseFolder(env.configHome, env, ".config/") + std::string(program) + "/";
}

std::string dataFolder(const UserEnvironment& env, std::string_view program) {
    return baseFolder(env.dataHome, env, ".local/share/") + std::string(program) + "/";
}

std::string runtimeFolder(const UserEnvironment& env) {
    if (usable(env.runtimeDir)) return withSlash(env.runtimeDir) + std::string(RuntimeName) + "/";
    const std::string temp = usable(env.tempDir) ? withSlash(env.tempDir) : std::string("/tmp/");
    return temp + std::string(RuntimeName) + "-" + std::to_string(env.uid) + "/";
}

bool makeFolders(const std::string& folder, std::string& error) {
    const std::string path = withoutSlash(folder);
    for (size_t end = path.find('/', 1);; end = path.find('/', end + 1)) {
        const std::string part = path.substr(0, end);
        if (::mkdir(part.c_str(), PrivateMode) != 0 && errno != EEXIST) {
            error = "cannot create " + part + ": " + std::strerror(errno);
            return false;
        }
        if (end == std::string::npos) break;
    }
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        error = path + " is not a folder";
        return false;
    }
    return true;
}

PrivateFolder preparePrivateFolder(const std::string& folder, uid_t uid, bool create, std::string& error) {
    const std::string path = withoutSlash(folder);
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) {
        if (errno != ENOENT) {
            error = "cannot examine " + path + ": " + std::strerror(errno);
            return PrivateFolder::Failed;
        }
        if (!create) {
            error = path + " does not exist";
            return PrivateFolder::Missing;
        }
        // Made by us: the mode is set outright, whatever the umask took away.
        if (::mkdir(path.c_str(), PrivateMode) == 0) ::chmod(path.c_str(), PrivateMode);
        else if (errno != EEXIST) {
            error = "cannot create " + path + ": " + std::strerror(errno);
            return PrivateFolder::Failed;
        }
        if (::lstat(path.c_str(), &info) != 0) {
            error = "cannot examine " + path + ": " + std::strerror(errno);
            return PrivateFolder::Failed;
        }
    }
    if (!S_ISDIR(info.st_mode)) {
        error = path + " is not a folder of its own (a link or a file): refused";
        return PrivateFolder::Refused;
    }
    if (info.st_uid != uid) {
        error = path + " belongs to another user: refused";
        return PrivateFolder::Refused;
    }
    if ((info.st_mode & 07777) != PrivateMode) {
        error = path + " has mode " + describeMode(info.st_mode) + ", not 0700: refused";
        return PrivateFolder::Refused;
    }
    return PrivateFolder::Ready;
}

}  // namespace kq::folder_rules
