// A test fixture whose local time is eight hours east of UTC, without
// daylight saving, whatever the machine's zone; the zone is restored after.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace kq::test {

class FixedLocalTime : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* tz = std::getenv("TZ")) savedTz_ = tz;
        ::setenv("TZ", "CST-8", 1);
        ::tzset();
    }
    void TearDown() override {
        if (savedTz_)
            ::setenv("TZ", savedTz_->c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }

private:
    std::optional<std::string> savedTz_;
};

}  // namespace kq::test
