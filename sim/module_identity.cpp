#include "sim/module_identity.h"

namespace kq::sim {

namespace {

constexpr int BcdDigitBase = 10;

}  // namespace

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

ModuleAddress nextModuleAddress(const ModuleAddress& address) {
    ModuleAddress next = address;
    for (uint8_t& byte : next) {
        if (byte == WildcardByte) continue;
        int low = byte & 0x0F;
        int high = byte >> 4;
        if (++low < BcdDigitBase) {
            byte = static_cast<uint8_t>(high << 4 | low);
            return next;
        }
        low = 0;
        if (++high < BcdDigitBase) {
            byte = static_cast<uint8_t>(high << 4 | low);
            return next;
        }
        byte = 0x00;  // 99 rolls over: carry into the next pair
    }
    return next;
}

std::string moduleAddressText(const ModuleAddress& address) {
    std::string text;
    for (size_t k = address.size(); k-- > 0;) {
        const uint8_t byte = address[k];
        if (byte == WildcardByte) {
            text += "AA";
            continue;
        }
        text += static_cast<char>('0' + (byte >> 4) % BcdDigitBase);
        text += static_cast<char>('0' + (byte & 0x0F) % BcdDigitBase);
    }
    return text;
}

}  // namespace kq::sim
