// The symbolic link through which the flasher finds the simulated module:
// the first free ports/COMn of a ports folder, or a path of the user's choosing.
#pragma once

#include <string>

namespace kq::sim {

inline constexpr int FirstPortNumber = 1;   // COM1
inline constexpr int LastPortNumber = 32;   // COM32

class PortLink {
public:
    PortLink() = default;
    PortLink(const PortLink&) = delete;
    PortLink& operator=(const PortLink&) = delete;
    ~PortLink() { remove(); }

    // Links the first free portsFolder/COMn (n = 1..32) to target, creating
    // the folder if need be. A link whose target is gone counts as free.
    // shownName becomes "COMn".
    bool createNumbered(const std::string& portsFolder, const std::string& target, std::string& shownName,
                        std::string& error);
    // Links path to target; an existing path is refused unless it is a link whose target is gone.
    bool createAt(const std::string& path, const std::string& target, std::string& error);

    // Removes the link if it still leads to our target.
    void remove();
    // Links the path of the last link made (removed since) to a new target,
    // as a replugged adapter comes back under its name; refused when the
    // path has been taken meanwhile.
    bool restore(const std::string& target, std::string& error);

    const std::string& path() const { return path_; }
    // The name a flasher's --port takes: "COMn" for a numbered link, else the path.
    const std::string& shownName() const { return shownName_; }

private:
    std::string path_;
    std::string target_;
    std::string lockPath_;  // numbered links are made and removed under this lock
    std::string lastPath_;  // the path of the last link made, kept after remove()
    std::string shownName_;
};

}  // namespace kq::sim
