#include "emulator/SmartBattery.h"

#include <array>
#include <string>

#include "tests/emulator/RigHarness.h"

namespace {

using std::chrono::hours;
using std::chrono::minutes;

std::int16_t Signed(std::uint16_t word) {
  return static_cast<std::int16_t>(word);
}

class AllRegistersTest : public DeterministicRigTest {};

// Every register of the pack, read through the adapter interface as the
// program reads it, checked for range and for consistency with the others.
TEST_F(AllRegistersTest, ThirtyThreeRegistersReadThroughTheInterfaceAreConsistent) {
  rig->Advance(minutes(20));
  std::array<std::uint16_t, 0x1D> w{};
  for (int command = 0; command <= 0x1C; ++command) {
    w[command] = ReadWord(static_cast<std::uint8_t>(command));
  }
  const auto manufacturer = ReadBlock(0x20);
  const auto device = ReadBlock(0x21);
  const auto chemistry = ReadBlock(0x22);
  const auto data = ReadBlock(0x23);

  EXPECT_EQ(w[0x00], 0);
  EXPECT_EQ(w[0x01], 440);
  EXPECT_EQ(w[0x02], 10);
  EXPECT_EQ(w[0x03], 0);
  EXPECT_EQ(w[0x04], 0);
  EXPECT_EQ(w[0x05], 65535);
  EXPECT_EQ(w[0x06], 65535);
  EXPECT_EQ(w[0x07], 1);
  EXPECT_GT(w[0x08], 2930);  // about 20 to 35 degrees Celsius
  EXPECT_LT(w[0x08], 3090);
  EXPECT_GT(w[0x09], 9000);  // 3 cells, 3.0 to 4.2 V each
  EXPECT_LT(w[0x09], 12600);
  EXPECT_LT(Signed(w[0x0A]), 0);
  EXPECT_LT(Signed(w[0x0B]), 0);
  EXPECT_LE(w[0x0C], 10);
  const int remaining = w[0x0F], full = w[0x10], design = w[0x18];
  EXPECT_LE(remaining, full);
  EXPECT_LE(full, design);
  EXPECT_NEAR(w[0x0D], 100.0 * remaining / full, 1.0);
  EXPECT_NEAR(w[0x0E], 100.0 * remaining / design, 1.0);
  EXPECT_NEAR(w[0x11], remaining * 60.0 / -Signed(w[0x0A]), 1.0);
  EXPECT_NEAR(w[0x12], remaining * 60.0 / -Signed(w[0x0B]), 1.0);
  EXPECT_EQ(w[0x13], 65535);
  EXPECT_GT(w[0x14], 0);
  EXPECT_GE(w[0x15], w[0x09]);
  EXPECT_EQ(w[0x16] & 0x00C0, 0x00C0) << "INITIALIZED and DISCHARGING";
  EXPECT_GT(w[0x17], 0);
  EXPECT_EQ(w[0x19], 10800);
  EXPECT_EQ(w[0x1A] & 0x0F, 1);
  const int year = 1980 + (w[0x1B] >> 9), month = (w[0x1B] >> 5) & 0x0F, day = w[0x1B] & 0x1F;
  EXPECT_GE(year, 2000);
  EXPECT_GE(month, 1);
  EXPECT_LE(month, 12);
  EXPECT_GE(day, 1);
  EXPECT_LE(day, 31);
  EXPECT_GT(w[0x1C], 0);
  for (const auto* text : {&manufacturer, &device, &chemistry}) {
    EXPECT_GE(text->size(), 1u);
    EXPECT_LE(text->size(), 32u);
  }
  EXPECT_EQ(std::string(chemistry.begin(), chemistry.end()), "LION");
  EXPECT_GE(data.size(), 1u);
  EXPECT_LE(data.size(), 32u);
}

TEST(SmartBatteryTest, ValuesStayPlausibleWhileDischargingForHours) {
  SmartBattery battery;
  int previousRemaining = 1 << 20;
  for (auto t = minutes(0); t <= hours(5); t += minutes(5)) {
    const auto read = [&](std::uint8_t command) { return battery.ReadWord(command, t).value(); };
    const int remaining = read(0x0F), full = read(0x10);
    const int relative = read(0x0D), voltage = read(0x09), current = Signed(read(0x0A));
    SCOPED_TRACE(t.count());
    EXPECT_LE(remaining, previousRemaining) << "capacity never rises while discharging";
    EXPECT_LE(remaining, full);
    EXPECT_NEAR(relative, 100.0 * remaining / full, 1.0);
    EXPECT_LE(relative, 100);
    EXPECT_GE(voltage, 9000);
    EXPECT_LE(voltage, 12600);
    EXPECT_LE(current, 0);
    const std::uint16_t status = read(0x16);
    EXPECT_TRUE(status & SmartBattery::kStatusInitialized);
    if (remaining > 0) {
      EXPECT_TRUE(status & SmartBattery::kStatusDischarging);
      EXPECT_NEAR(read(0x11), remaining * 60.0 / -current, 1.0);
    } else {
      EXPECT_EQ(current, 0);
      EXPECT_TRUE(status & SmartBattery::kStatusFullyDischarged);
      EXPECT_EQ(read(0x11), 65535);
    }
    EXPECT_EQ((status & SmartBattery::kStatusRemainingCapacityAlarm) != 0, remaining < 440);
    previousRemaining = remaining;
  }
  EXPECT_EQ(previousRemaining, 0) << "five hours empty the pack";
}

}  // namespace
