// Which module-layout requests are meant for this module, and the address a
// different module would answer from.
#pragma once

#include "link/link_frame.h"

namespace kq::sim {

// True when every byte of the request's address equals the module's own byte
// or is the wildcard 0xAA.
bool isAddressedTo(const ModuleAddress& requested, const ModuleAddress& own);

// An address that differs from own in every byte, so that a flasher naming
// this module by any byte rejects a reply carrying it.
ModuleAddress foreignAddress(const ModuleAddress& own);

}  // namespace kq::sim
