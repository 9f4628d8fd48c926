// The Linux side of the adapter facts, with the sysfs root as a parameter so
// that tests can give a tree of their own.
#pragma once

#include <string>

#include "link/adapter_facts.h"

namespace kq {

inline constexpr const char* SysfsRoot = "/sys";

// The facts of the terminal ttyName ("ttyUSB0") from sysfs under root:
// <root>/class/tty/<tty>/device leads to the port's device (its driver link
// names the driver); the first folder above it with idVendor and idProduct is
// the USB device (serial, manufacturer, product beside them); the latency
// timer is <root>/bus/usb-serial/devices/<tty>/latency_timer.
AdapterFacts adapterFactsFromSysfs(const std::string& ttyName, const std::string& root);

}  // namespace kq
