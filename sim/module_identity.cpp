#include "sim/module_identity.h"

namespace kq::sim {

bool isAddressedTo(const ModuleAddress& requested, const ModuleAddress& own) {
    for (size_t k = 0; k < own.size(); ++k)
        if (requested[k] != WildcardByte && requested[k] != own[k]) return false;
    return true;
}

ModuleAddress foreignAddress(const ModuleAddress& own) {
    ModuleAddress other = own;
    for (uint8_t& byte : other) byte ^= 0x01;
    return other;
}

}  // namespace kq::sim
