#include "emulator/SmartBattery.h"

#include <algorithm>
#include <array>
#include <string>

#include "tests/emulator/RigHarness.h"

namespace {

using std::chrono::hours;
using std::chrono::minutes;
using std::chrono::seconds;

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

// Each emulated pack differs from the standard one in what it is there to
// show, and only there.
TEST(SmartBatteryTest, EachEmulatedPackShowsItsOwnTrouble) {
  struct Case {
    EmulatedPack pack;
    int healthPercent;  // StateOfHealth, and FullChargeCapacity against DesignCapacity
    int cycles;
    int lowCellMv;  // CellVoltage3 below CellVoltage1
    std::uint16_t statusAlarms;
    std::uint16_t modeBits;
  };
  const Case cases[] = {
      {EmulatedPack::Standard, 95, 42, 0, 0, 0},
      {EmulatedPack::Worn, 70, 812, 0, 0, 0},
      {EmulatedPack::Unbalanced, 95, 157, 120, 0, 0},
      {EmulatedPack::Alarm, 95, 95, 0, SmartBattery::kStatusOverTempAlarm, 0},
      {EmulatedPack::Conditioning, 95, 230, 0, 0, SmartBattery::kConditionFlag},
  };
  std::vector<std::uint16_t> serials;
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.pack));
    const SmartBattery battery(c.pack);
    const auto read = [&](std::uint8_t command) {
      return battery.ReadWord(command, minutes(10)).value();
    };
    EXPECT_EQ(read(0x4F), c.healthPercent);
    EXPECT_NEAR(100.0 * read(0x10) / read(0x18), c.healthPercent, 0.5);
    EXPECT_EQ(read(0x17), c.cycles);
    EXPECT_NEAR(read(0x3F) - read(0x3D), c.lowCellMv, 1);
    EXPECT_NEAR(read(0x3F) + read(0x3E) + read(0x3D), read(0x09), 2) << "the cells add up";
    EXPECT_EQ(read(0x16) & 0xF000, c.statusAlarms);
    EXPECT_EQ(read(0x03), c.modeBits);
    EXPECT_EQ(read(0x08) > 3230, c.statusAlarms != 0) << "hot exactly when it says so";
    serials.push_back(read(0x1C));
  }
  std::sort(serials.begin(), serials.end());
  EXPECT_EQ(std::unique(serials.begin(), serials.end()), serials.end()) << "a serial each";
}

// A pile lays its packs on the bench one after another, with no pack between.
TEST(SmartBatteryTest, APileShowsEachPackInTurnWithGapsBetween) {
  const SmartBattery pile(EmulatedPack::Pile);
  const auto slot = SmartBattery::kPileStay + SmartBattery::kPileGap;
  const auto serialAt = [&](SmartBattery::Time t) { return pile.ReadWord(0x1C, t); };
  EXPECT_EQ(serialAt(seconds(1)), SmartBattery(EmulatedPack::Standard).ReadWord(0x1C, {}));
  EXPECT_EQ(serialAt(slot + seconds(1)), SmartBattery(EmulatedPack::Worn).ReadWord(0x1C, {}));
  EXPECT_EQ(serialAt(SmartBattery::kPileStay + seconds(1)), std::nullopt);
  EXPECT_EQ(pile.Read(0x20, SmartBattery::kPileStay), std::nullopt);
  EXPECT_EQ(serialAt(5 * slot + seconds(1)), serialAt(seconds(1))) << "then the first again";
  EXPECT_EQ(pile.ReadWord(0x0F, slot + seconds(1)),
            SmartBattery(EmulatedPack::Worn).ReadWord(0x0F, seconds(1)))
      << "a pack discharges from when it was laid down";
}

}  // namespace
