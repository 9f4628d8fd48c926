#include "bench/soak_faults.h"

namespace kq::soak {

namespace {
using E = RunEnding;
using S = RunStep;
using A = std::vector<std::string>;
constexpr int L = LocalUpgrade;
constexpr int N = RemoteWithoutBackup;
constexpr int B = RemoteWithBackup;
}  // namespace

const std::vector<SoakFault>& soakFaults() {
    static const std::vector<SoakFault> faults = {
        {"local clean", L, A{}, E::Success, S::None, true},
        {"local handshake silent once", L, A{"--silent", "handshake:1"}, E::Success, S::None, true},
        {"local write foreign once", L, A{"--foreign", "write-sector:1"}, E::Success, S::None, true},
        {"local write refused once", L, A{"--error-bit", "write-sector:1"}, E::Success, S::None, true},
        {"local erase refused", L, A{"--error-bit", "erase-all"}, E::FailedWithCross, S::Erase},
        {"local write refused", L, A{"--error-bit", "write-sector"}, E::FailedWithCross, S::Write},
        {"local sector erase refused", L, A{"--error-bit", "write-sector:1", "--error-bit", "erase-sector"},
         E::FailedWithCross, S::Write},
        {"local crc off", L, A{"--bad-crc"}, E::FailedWithCross, S::CrcMismatch},
        {"local crc refused", L, A{"--error-bit", "read-crc"}, E::FailedWithCross, S::Check},
        {"local noise and split", L, A{"--noise", "40", "--split", "3"}, E::Success, S::None, true},
        {"local hang-up before write", L, A{"--hangup-after", "2"}, E::FailedWithCross, S::Write},
        {"local stop after erase", L, A{}, E::Stopped, S::Erase, false, "擦除成功"},
        {"no-backup clean", N, A{}, E::Success, S::None, true},
        {"no-backup flag refused", N, A{"--error-bit", "upgrade-flag"}, E::FailedWithoutPicture, S::UpgradeFlag},
        {"no-backup hang-up before write", N, A{"--hangup-after", "3"}, E::FailedWithCross, S::Write},
        {"backup clean", B, A{}, E::Success, S::None, true},
        {"backup configure refused once", B, A{"--error-bit", "remote-configure:1"}, E::Success, S::None, true},
        {"backup frame refused once", B, A{"--error-bit", "remote-write:1"}, E::Success, S::None, true},
        {"backup verify refused", B, A{"--error-bit", "remote-verify"}, E::FailedWithCross, S::Verify},
        {"backup hang-up after a frame", B, A{"--hangup-after", "2"}, E::FailedWithCross, S::Write},
        {"backup noise and split", B, A{"--noise", "40", "--split", "3"}, E::Success, S::None, true},
        // Resets await no reply: the run succeeds, yet nothing is installed.
        {"backup resets unheard", B, A{"--silent", "remote-reset"}, E::Success, S::None, false},
        {"backup stop after configure", B, A{}, E::Stopped, S::Configure, false, "配置成功"},
    };
    return faults;
}

}  // namespace kq::soak
