// `pelmor probe` and the optional registers of `pelmor read` through the real
// executable on the emulated rig, whose bus carries the fault each case names.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include "tests/support/QtPrinters.h"
#include "tests/support/TestProcessEnvironment.h"

namespace {

struct FaultCase {
  const char* option;
  const char* kind;
  int status;
  const char* words;  // in the conclusion
};

// Each fault of the emulated bus, and what the probe must conclude from it.
const FaultCase kFaultCases[] = {
    {"--emulated", "battery-answers", 0,
     "A Smart Battery answers at 0x0B (address byte 16): Norvale Cells NV3S4400"},
    {"--emulated=asleep", "nothing-answers", 1, "asleep or in shipping mode"},
    {"--emulated=no-pullups", "bus-hangs", 1, "pull-up resistors"},
    {"--emulated=elsewhere", "wrong-address", 1,
     "a Smart Battery answers at 0x0E (address byte 1C): Norvale Cells NV3S4400"},
    {"--emulated=noisy", "noise", 1, "the bus is noisy"},
    {"--emulated=short-blocks", "short-strings", 1, "its strings come back short"},
};

}  // namespace

TEST(ProbeProcess, EachFaultOfTheEmulatedBusIsNamedByItsConclusion) {
  for (const FaultCase& fault : kFaultCases) {
    SCOPED_TRACE(fault.option);
    const PelmorRun run = RunPelmorToEnd({"probe", fault.option, "--format", "json"});
    EXPECT_EQ(run.status, fault.status) << run.err.toStdString();
    const QJsonObject report = QJsonDocument::fromJson(run.out).object();
    const QJsonObject conclusion = report["conclusion"].toObject();
    EXPECT_EQ(conclusion["kind"].toString(), fault.kind) << run.out.toStdString();
    EXPECT_TRUE(conclusion["text"].toString().contains(fault.words)) << run.out.toStdString();
    EXPECT_EQ(report["exitStatus"].toInt(), fault.status);
    EXPECT_EQ(report["clock"].toObject()["hertz"].toInt(), 100'000);
  }
}

TEST(ProbeProcess, TextShowsEveryStepWithItsVerdictThenTheConclusion) {
  const PelmorRun run = RunPelmorToEnd({"probe", "--emulated"});
  ASSERT_EQ(run.status, 0) << run.err.toStdString();
  const QStringList lines = QString::fromUtf8(run.out).split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 10) << run.out.toStdString();
  const char* steps[] = {"adapter",   "functions", "bus clock",         "kernel driver",
                         "sweep",     "Voltage",   "SpecificationInfo", "ManufacturerName",
                         "DeviceName"};
  for (int i = 0; i < 9; ++i) {
    EXPECT_TRUE(lines[i].startsWith(QStringLiteral("ok    %1 ").arg(steps[i]))) << lines[i];
  }
  EXPECT_TRUE(lines[2].endsWith("100 kHz (the emulated rig's bus)")) << lines[2];
  EXPECT_TRUE(lines[4].contains(QRegularExpression(R"(\(112 addresses in \d+\.\d{3} s\)$)")))
      << lines[4];
  EXPECT_TRUE(lines[9].startsWith("Conclusion: A Smart Battery answers at 0x0B"));
}

TEST(ProbeProcess, NoAdapterExitsThreeAndUsageErrorsTwo) {
  const PelmorRun none = RunPelmorToEnd({"probe", "--emulated", "--port", "2"});
  EXPECT_EQ(none.status, 3);
  EXPECT_TRUE(none.out.contains("FAIL  adapter  no emulated adapter on port 2"))
      << none.out.toStdString();
  for (const QStringList& arguments :
       {QStringList{"probe", "--emulated=unplugged"}, QStringList{"probe", "--format", "csv"},
        QStringList{"probe", "--address", "17"}, QStringList{"read", "--emulated=bogus"}}) {
    const PelmorRun run = RunPelmorToEnd(arguments);
    EXPECT_EQ(run.status, 2) << arguments.join(' ').toStdString();
    EXPECT_TRUE(run.err.contains("Usage:")) << run.err.toStdString();
  }
}

TEST(ProbeProcess, OptionalRegistersReadThroughTheScanAndAMissingOneIsNack) {
  const PelmorRun run = RunPelmorToEnd({"read", "--emulated", "StateOfHealth", "0x3C",
                                        "cellvoltage4", "CellVoltage1", "0x09", "0x4f"});
  EXPECT_EQ(run.status, 1) << "CellVoltage4 is not in the pack";
  const QStringList lines = QString::fromUtf8(run.out).split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 6) << run.out.toStdString();
  EXPECT_TRUE(lines[0].contains(QRegularExpression(R"(^Voltage +\d+ +mv$)"))) << lines[0];
  EXPECT_TRUE(lines[1].contains(QRegularExpression(R"(^StateOfHealth +95 +%$)"))) << lines[1];
  EXPECT_TRUE(lines[2].contains(QRegularExpression(R"(^0x3C +NACK +#H$)"))) << lines[2];
  EXPECT_TRUE(lines[3].contains(QRegularExpression(R"(^CellVoltage4 +NACK +mv$)"))) << lines[3];
  EXPECT_TRUE(lines[4].contains(QRegularExpression(R"(^CellVoltage1 +\d{4} +mv$)"))) << lines[4];
  EXPECT_TRUE(lines[5].contains(QRegularExpression(R"(^0x4F +005F \(95\) +#H$)"))) << lines[5];

  const PelmorRun help = RunPelmorToEnd({"read", "--help"});
  for (const char* name : {"vendor-dependent", "CellVoltage1 (0x3F, mv)", "CellVoltage4 (0x3C, mv)",
                           "StateOfHealth (0x4F, %)", "hexadecimal and decimal"}) {
    EXPECT_TRUE(help.out.simplified().contains(name)) << name;
  }
}

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
