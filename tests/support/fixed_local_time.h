// A test fixture whose local time is eight hours east of UTC, without
// daylight saving, whatever the machine's zone; the zone is restored after.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "support/time_zone.h"

namespace kq::test {

class FixedLocalTime : public ::testing::Test {
protected:
    void SetUp() override {
        savedTz_ = timeZoneVariable();
        setTimeZoneVariable("CST-8");
    }
    void TearDown() override { setTimeZoneVariable(savedTz_); }

private:
    std::optional<std::string> savedTz_;
};

}  // namespace kq::test
