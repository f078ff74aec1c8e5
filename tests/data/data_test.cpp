#include "data/data.h"

#include <gtest/gtest.h>

#include "files/log.h"

TEST(Data, LongAnswersOnlyLongBoolAndText) {
    vK_DataLong v(5000000000LL);
    EXPECT_EQ(v.ToString(), "5000000000");
    EXPECT_EQ(v.GetInt(), 0);
    EXPECT_EQ(v.GetLong(), 5000000000LL);
    EXPECT_EQ(v.GetFloat(), 0.0f);
    EXPECT_TRUE(v.GetBool());
}
