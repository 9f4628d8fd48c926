#include "station_view/station_token.h"

#include <random>

namespace kq::station_view {

std::string randomHex(int bytes) {
    // std::random_device reads the system's random source here: getrandom()
    // or /dev/urandom with glibc, RtlGenRandom (rand_s) with MinGW-w64.
    static constexpr char Digits[] = "0123456789abcdef";
    std::random_device source;
    std::string out;
    out.reserve(size_t(bytes) * 2);
    while (int(out.size()) < bytes * 2) {
        unsigned value = source();
        for (int i = 0; i < 4 && int(out.size()) < bytes * 2; ++i, value >>= 8) {
            out += Digits[(value >> 4) & 0xF];
            out += Digits[value & 0xF];
        }
    }
    return out;
}

std::string makeStationToken() { return randomHex(TokenBytes); }

}  // namespace kq::station_view
