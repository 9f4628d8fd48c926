// Which module-layout requests are meant for this module, the address a
// different module would answer from, and the address of the module that
// comes next into a fixture.
#pragma once

#include <string>

#include "link/link_frame.h"

namespace kq::sim {

// True when every byte of the request's address equals the module's own byte
// or is the wildcard 0xAA.
bool isAddressedTo(const ModuleAddress& requested, const ModuleAddress& own);

// An address that differs from own in every byte, so that a flasher naming
// this module by any byte rejects a reply carrying it.
ModuleAddress foreignAddress(const ModuleAddress& own);

// The address counted up by one as a 12-digit decimal number (byte 0 holds
// the last two digits, in BCD): 000000000099 gives 000000000100, and
// 999999999999 wraps to 000000000000. Wildcard bytes (0xAA) stay and are
// stepped over by the carry.
ModuleAddress nextModuleAddress(const ModuleAddress& address);

// The 12 characters of an address, last pair from byte 0 ("000000000002");
// a wildcard byte reads "AA".
std::string moduleAddressText(const ModuleAddress& address);

}  // namespace kq::sim
