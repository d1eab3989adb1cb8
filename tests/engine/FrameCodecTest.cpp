#include "FrameCodec.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

using vorex::frame::BuildFrame;
using vtest::Hex;

TEST(Crc16, ModbusCheckValue) {
    const std::string text = "123456789";
    EXPECT_EQ(vorex::frame::Crc16(reinterpret_cast<const uint8_t*>(text.data()), text.size()),
              0x4B37);
}
