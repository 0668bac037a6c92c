#include "buffer/BufferOps.h"
#include "TestSupport.h"
#include "buffer/TimeFormat.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace barquill;
using barquill::test::makeRampBuffer;

TEST(FormatTime, ShowsMinutesSecondsAndTruncatedHundredthsAndZeroForNegativeOrNonFinite) {
    const std::pair<double, const char*> cases[] = {{65.379, "01:05.37"},       {0, "00:00.00"},
                                                    {6000.5, "100:00.50"},      {-1, "00:00.00"},
                                                    {std::nan(""), "00:00.00"}, {INFINITY, "00:00.00"}};
    for (const auto& [seconds, text] : cases)
        EXPECT_EQ(formatTime(seconds), text) << seconds;
}
