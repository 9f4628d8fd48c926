// The modules of a bus: address files and lists given with --address.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "production/address_list.h"

namespace kq::production {
namespace {

using Addresses = std::vector<std::string>;

TEST(AddressFile, CommentsBlanksAndLineEndsAreIgnored) {
    const AddressList list = parseAddressList(
        "\xEF\xBB\xBF# bus 3, left to right\r\n000000000001\r\n  000000000002  # middle\n\n\t3", "bus.txt");
    EXPECT_EQ(list.error, "");
    // A short line is padded as --address is: "3" is the module 000000000003.
    EXPECT_EQ(list.addresses, (Addresses{"000000000001", "000000000002", "000000000003"}));
}

TEST(AddressFile, ABadLineIsRefusedWithItsNumber) {
    const std::pair<const char*, const char*> rows[] = {
        {"000000000001\n0000000000X2\n",
         "bus.txt:2: \"0000000000X2\" is not a module address (up to 12 characters, pairs of two decimal digits or AA"},
        {"# first\n0000000000012\n", "bus.txt:2: \"0000000000012\" is not"},
        {"000000000001 000000000002\n", "bus.txt:1: \"000000000001 000000000002\" is not"},
        {"000000000001\n\n000000000001\n", "bus.txt:3: 000000000001 is already on line 1"},
        {"1\n000000000001\n", "bus.txt:2: 000000000001 is already on line 1"},
        {"# nothing but comments\n\n", "bus.txt: no module address in the file"},
    };
    for (const auto& [text, error] : rows) {
        const AddressList list = parseAddressList(text, "bus.txt");
        EXPECT_TRUE(list.error.starts_with(error)) << list.error;
        EXPECT_TRUE(list.addresses.empty()) << text;
    }
}

TEST(AddressList, ABusNeedsEachModulesOwnAddress) {
    EXPECT_EQ(addressListProblem({"000000000001", "000000000002", "000000000003"}), "");
    EXPECT_EQ(addressListProblem({"AAAAAAAAAAAA"}), "");  // one module: the wildcard finds it
    EXPECT_NE(addressListProblem({"000000000001", "0000000000AA"}).find("wildcard"), std::string::npos);
    EXPECT_EQ(addressListProblem({"000000000012", "000000000012"}), "000000000012 is given twice");
}

}  // namespace
}  // namespace kq::production
