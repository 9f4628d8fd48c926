// The --help texts of flashwright-cli and its commands.
#pragma once

#include <string_view>

namespace kq::cli {

std::string_view toolHelp();
std::string_view portsHelp();
std::string_view flashHelp();
std::string_view checkHelp();
std::string_view stationHelp();  // station_help.cpp

}  // namespace kq::cli
