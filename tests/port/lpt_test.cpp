#include "port/lpt.h"

#include <gtest/gtest.h>

#include "tests/support/port_log.h"

namespace kavtra {
namespace {

using Log = std::vector<std::string>;

struct LptAt {
    explicit LptAt(std::uint8_t control, std::uint8_t status = 0) : port({0, status, control}), lpt(port.tap) {}
    test::LoggedPort port;
    LPT lpt;
};

TEST(SetDataInput, ReadsOnceWritesOnceAndClearsBits6And7WhenDriving) {
    LptAt a(0xE5);
    a.lpt.SetDataInput(false);
    EXPECT_EQ(a.port.log, (Log{"R 890 0xe5", "W 890 0x05"}));

    LptAt b(0x05);
    b.lpt.SetDataInput(true);
    EXPECT_EQ(b.port.log, (Log{"R 890 0x05", "W 890 0x25"}));

    LptAt c(0xC0);
    c.lpt.SetDataInput(true);
    EXPECT_EQ(c.port.log, (Log{"R 890 0xc0", "W 890 0xe0"}));
}

TEST(PortPin, DrivesInvertedPinsWithTheClearingMasksThatDropBits6And7) {
    LptAt high(0xC4);
    EXPECT_FALSE(high.lpt.PortPin(1, 1).has_value());
    EXPECT_EQ(high.port.log, (Log{"R 890 0xc4", "W 890 0x04"}));

    LptAt low(0xC4);
    low.lpt.PortPin(1, 0);
    EXPECT_EQ(low.port.log, (Log{"R 890 0xc4", "W 890 0xc5"}));

    // Bits 4 and 5 survive a clearing mask.
    LptAt keep(0xFF);
    keep.lpt.PortPin(14, 1);
    EXPECT_EQ(keep.port.log, (Log{"R 890 0xff", "W 890 0x3d"}));
}

TEST(PortPin, EachControlPinSitsOnItsBit) {
    struct Case {
        std::int32_t pin;
        std::int16_t level;
        std::uint8_t before;
        const char* written;
    };
    const Case cases[] = {
        {16, 1, 0x00, "W 890 0x04"}, {16, 0, 0xFF, "W 890 0x3b"}, {17, 1, 0xFF, "W 890 0x37"},
        {17, 0, 0x00, "W 890 0x08"}, {14, 0, 0x00, "W 890 0x02"}, {14, 1, 0x02, "W 890 0x00"},
        {1, 7, 0x01, "W 890 0x00"},  // any non-zero value means high
        {1, -1, 0x01, "W 890 0x00"},
    };
    for (const Case& c : cases) {
        LptAt a(c.before);
        a.lpt.PortPin(c.pin, c.level);
        ASSERT_EQ(a.port.log.size(), 2u) << "pin " << c.pin;
        EXPECT_EQ(a.port.log[1], c.written) << "pin " << c.pin << " level " << c.level;
    }
}

TEST(PortPin, PinsItDoesNotHandleCauseNoAccessAtAll) {
    for (std::int32_t pin : {0, 2, 5, 9, 10, 11, 15, 18, 25, -1, 1000}) {
        LptAt a(0x5A, 0xFF);
        EXPECT_FALSE(a.lpt.PortPin(pin, 1).has_value());
        EXPECT_TRUE(a.port.log.empty()) << "drive of pin " << pin;
    }
    for (std::int32_t pin : {1, 14, 16, 17, 2, 9, 0, 26}) {
        LptAt a(0x5A, 0xFF);
        EXPECT_FALSE(a.lpt.PortPin(pin).has_value());
        EXPECT_TRUE(a.port.log.empty()) << "read of pin " << pin;
    }
}

TEST(PortPin, ReadsStatusPinsAsLevels) {
    struct Case {
        std::int32_t pin;
        std::uint8_t status;
        std::int16_t level;
    };
    const Case cases[] = {
        {11, 0x80, 0}, {11, 0x7F, 1},  // the port inverts pin 11
        {10, 0x40, 1}, {10, 0xBF, 0}, {12, 0x20, 1}, {12, 0xDF, 0},
        {13, 0x10, 1}, {13, 0xEF, 0}, {15, 0x08, 1}, {15, 0xF7, 0},
    };
    for (const Case& c : cases) {
        LptAt a(0x00, c.status);
        const auto level = a.lpt.PortPin(c.pin);
        ASSERT_TRUE(level.has_value()) << "pin " << c.pin;
        EXPECT_EQ(*level, c.level) << "pin " << c.pin << " status " << int(c.status);
        ASSERT_EQ(a.port.log.size(), 1u);
        EXPECT_EQ(a.port.log[0].substr(0, 5), "R 889");
    }
}

TEST(DataPort, WritesWithoutReadingAndReadsWithoutWriting) {
    LptAt a(0x00);
    EXPECT_EQ(a.lpt.DataPort(0), 0);
    EXPECT_EQ(a.lpt.DataPort(0xA5), 0);
    EXPECT_EQ(a.lpt.DataPort(), 0xA5);
    EXPECT_EQ(a.port.log, (Log{"W 888 0x00", "W 888 0xa5", "R 888 0xa5"}));

    // Only the low byte reaches the register.
    LptAt b(0x00);
    b.lpt.DataPort(0x1FF);
    EXPECT_EQ(b.port.log, (Log{"W 888 0xff"}));
}

}  // namespace
}  // namespace kavtra
