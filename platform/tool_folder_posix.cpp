#include "platform/tool_folder.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/exe_directory.h"
#include "platform/tool_folder_rules_posix.h"

// The install prefix's bin/ comes from the build (platform/CMakeLists.txt).
#ifndef KQ_INSTALL_BIN_DIR
#error "KQ_INSTALL_BIN_DIR is not defined: build through CMake"
#endif

namespace kq {

namespace {

using namespace folder_rules;

constexpr const char* PortsFolderName = "ports/";

std::string variable(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

UserEnvironment processEnvironment() {
    UserEnvironment env;
    env.uid = ::geteuid();
    env.home = variable("HOME");
    if (env.home.empty()) {
        if (const passwd* user = ::getpwuid(env.uid)) env.home = user->pw_dir ? user->pw_dir : "";
    }
    env.configHome = variable("XDG_CONFIG_HOME");
    env.dataHome = variable("XDG_DATA_HOME");
    env.runtimeDir = variable("XDG_RUNTIME_DIR");
    env.tempDir = variable("TMPDIR");
    return env;
}

// <runtime folder>ports/ once the runtime folder passed its check; created
// (both, mode 0700) when create is set. Empty, with error, otherwise.
std::string runtimePortsFolder(bool create, std::string& error) {
    const UserEnvironment env = processEnvironment();
    const std::string runtime = runtimeFolder(env);
    if (preparePrivateFolder(runtime, env.uid, create, error) != PrivateFolder::Ready) return {};
    const std::string ports = runtime + PortsFolderName;
    if (create && ::mkdir(ports.c_str(), 0700) != 0 && errno != EEXIST) {
        error = "cannot create " + ports + ": " + std::strerror(errno);
        return {};
    }
    return ports;
}

}  // namespace

bool runsInstalled() {
    static const bool installed = isInstallLocation(exeDirectory(), KQ_INSTALL_BIN_DIR);
    return installed;
}

ProgramFolders programFolders(std::string_view program) {
    if (!runsInstalled()) return ProgramFolders::oneFolder(exeDirectory());
    const UserEnvironment env = processEnvironment();
    ProgramFolders folders{configFolder(env, program), dataFolder(env, program)};
    // A folder that cannot be made shows later, when a file written there
    // fails with its full path.
    std::string ignored;
    makeFolders(folders.remembered, ignored);
    makeFolders(folders.output, ignored);
    return folders;
}

std::vector<std::string> portLinkFolders() {
    std::vector<std::string> folders{exeDirectory() + PortsFolderName};
    if (!runsInstalled()) return folders;
    std::string ignored;
    if (std::string runtime = runtimePortsFolder(false, ignored); !runtime.empty()) folders.push_back(runtime);
    return folders;
}

std::string portLinkFolderForNewLinks(std::string& error) {
    if (!runsInstalled()) return exeDirectory() + PortsFolderName;
    return runtimePortsFolder(true, error);
}

}  // namespace kq
