// The --help texts of flashwright-cli and its commands.
#pragma once

#include <string_view>

namespace kq::cli {

std::string_view toolHelp();
std::string_view portsHelp();
std::string_view flashHelp();
std::string_view checkHelp();
std::string_view stationHelp();  // station_help.cpp
std::string_view recordsHelp();

}  // namespace kq::cli
