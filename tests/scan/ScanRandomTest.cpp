// Many thousands of random interleavings of clicks, ticks, tab switches,
// auto-repeat, the log file and adapter events, valid and faulty, with the
// scan's and the log's invariants checked after every step.
// PELMOR_SCAN_STEPS and PELMOR_SCAN_SEED choose a longer or another walk.
#include <sys/resource.h>

#include <QFileInfo>
#include <QTemporaryDir>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <random>

#include "log/ScanLogFile.h"
#include "tests/log/LogTestSupport.h"
#include "tests/support/LogFileChecker.h"
#include "tests/support/MarkerValues.h"
#include "tests/support/ScanHarness.h"

namespace {

class ScanRandomTest : public ScanHarness {
 protected:
  void SetUp() override {
    rig->Battery().SetMarkerValues(true);
    logSwitch.target = &fileLog;
    // A file grown past the size limit fails its write with EFBIG instead of
    // ending the process.
    previousSignal_ = std::signal(SIGXFSZ, SIG_IGN);
    getrlimit(RLIMIT_FSIZE, &unlimited_);
  }
  void TearDown() override {
    setrlimit(RLIMIT_FSIZE, &unlimited_);
    std::signal(SIGXFSZ, previousSignal_);
  }

  // The disk fills up: the log file cannot grow past a few bytes more than it
  // holds now. Or it is freed again.
  void LimitFileSize(bool limited) {
    diskFull = limited;
    rlimit limit = unlimited_;
    if (limited) limit.rlim_cur = static_cast<rlim_t>(QFileInfo(logPath).size() + extraBytes);
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  bool diskFull = false;
  int extraBytes = 0;

  void OpenLog() {
    fileLog.OpenLogFile(logPath);
    checker.Restart();
  }

  // What a row may show: its starting text, nothing, a fault word, or the
  // value of its own register, never another's.
  bool MayShow(int row, const QString& text) const {
    if (text.isEmpty() || text == QString::fromLatin1(RegisterTable()[row].initialData))
      return true;
    if (text == "BUSERR" || text == "NACK" || text == "ARBLOSS" || text == "TIMEOUT" ||
        text == "BUSY")
      return true;
    return text == MarkerText(row);
  }

  // The last steps taken, shown when an invariant breaks.
  QStringList journal;
  void Note(const QString& entry) {
    journal << QStringLiteral("%1ms %2").arg(Now().count() / 1000.0).arg(entry);
    if (journal.size() > 40) journal.removeFirst();
  }

  void CheckInvariants(int step) {
    SCOPED_TRACE(step);
    SCOPED_TRACE(journal.join("\n").toStdString());
    ASSERT_GE(state.rowIndex, 0);
    ASSERT_LE(state.rowIndex, kNoRow);
    for (int row = 0; row < 33; ++row) {
      ASSERT_TRUE(MayShow(row, catalogue.DataText(row)))
          << "row " << row << " shows " << catalogue.DataText(row).toStdString();
    }
    ASSERT_EQ(controls.running, engine.IsRunning());
    ASSERT_EQ(controls.mode, state.mode);
    if (engine.IsRunning()) {
      ASSERT_TRUE(timer2.IsActive());
    }
    ASSERT_GE(state.retryCounter, 0);
    ASSERT_LE(state.retryCounter, state.attemptsPerRow);
    // Only a full disk fails a write, and each failure is its box; the
    // retry counter above holds a failed step's row to its attempts.
    if (!diskFullBefore) {
      ASSERT_EQ(window.errors.size(), errorsBefore);
    }
    for (qsizetype i = errorsBefore; i < window.errors.size(); ++i) {
      ASSERT_TRUE(window.errors[i].endsWith(QString::fromLocal8Bit(std::strerror(EFBIG))))
          << window.errors[i].toStdString();
    }
    errorsBefore = window.errors.size();
    if (const std::optional<QString> fault = checker.CheckNewLines(!window.open)) {
      FAIL() << fault->toStdString();
    }
  }

  qsizetype errorsBefore = 0;
  bool diskFullBefore = false;
  QTemporaryDir dir;
  QString logPath = dir.filePath("walk.txt");
  FakeLogWindow window;
  ScanLogFile fileLog{catalogue, window, LogFormatter{}};
  LogFileChecker checker{logPath};

 private:
  rlimit unlimited_{};
  void (*previousSignal_)(int) = SIG_DFL;
};

TEST_F(ScanRandomTest, InvariantsHoldOverRandomSteps) {
  // A fixed short walk by default; the environment chooses others.
  const bool seeded = qEnvironmentVariableIsSet("PELMOR_SCAN_SEED");
  std::mt19937 random(seeded ? qEnvironmentVariableIntValue("PELMOR_SCAN_SEED") : 20261207);
  const int steps = qEnvironmentVariableIsSet("PELMOR_SCAN_STEPS")
                        ? qEnvironmentVariableIntValue("PELMOR_SCAN_STEPS")
                        : 20000;
  const auto chance = [&](int percent) {
    return std::uniform_int_distribution<int>(0, 99)(random) < percent;
  };
  const auto pick = [&](int from, int to) {
    return std::uniform_int_distribution<int>(from, to)(random);
  };
  const AdapterEvent faults[] = {AdapterEvent::SlaveNack, AdapterEvent::BusError,
                                 AdapterEvent::ArbitrationLoss, AdapterEvent::BusTimeout};
  int passesEnded = 0;
  for (int step = 0; step < steps; ++step) {
    const bool wasRunning = engine.IsRunning();
    const int statusSeen = status.history.size();
    diskFullBefore = diskFull;
    switch (pick(0, 18)) {
      case 0:
        if (engine.IsRunning()) {
          Note("stop");
          engine.Stop();
        } else {
          Note("start");
          StartScan();
        }
        break;
      case 1: {
        const int row = pick(0, 32);
        const bool tick = chance(60);
        Note(QStringLiteral("tick %1 %2").arg(row).arg(tick));
        catalogue.SetSelected(row, tick);
        break;
      }
      case 2:
        if (chance(20)) {
          Note("tab");
          SwitchMode(state.mode == ScanMode::Read ? ScanMode::Write : ScanMode::Read);
        }
        break;
      case 3:
        if (chance(10)) {
          Note("select");
          state.allSelected ? engine.DeselectAll() : engine.SelectAll();
        }
        break;
      case 4:
        settings.addressEntry = chance(85) ? 11 : pick(0, 127);
        Note(QStringLiteral("address %1").arg(*settings.addressEntry));
        break;
      case 5: {
        const int count = pick(1, 6);
        const AdapterEvent fault = faults[pick(0, 3)];
        Note(QStringLiteral("fail next %1 with %2").arg(count).arg(int(fault), 0, 16));
        rig->Adapter().FailNextTransactions(count, fault);
        break;
      }
      case 6: {
        const int delay = pick(1, 400);
        Note(QStringLiteral("delay next %1").arg(delay));
        rig->Adapter().DelayNextOutcome(std::chrono::milliseconds(delay));
        break;
      }
      case 7:
        Note("duplicate next");
        rig->Adapter().DuplicateNextOutcome();
        break;
      case 8: {
        // Any event but a completion: a completion reported for no
        // transaction cannot be told from a real one.
        const int codes[] = {0x111, 0x112, 0x113, 0x114, 0x115, 0x116,   0x117,
                             0x211, 0x212, 0x213, 0x214, 0x120, 0x10113, 0};
        const int code = codes[pick(0, 13)];
        Note(QStringLiteral("inject %1").arg(code, 0, 16));
        rig->Adapter().InjectEvent(code, std::chrono::milliseconds(pick(0, 50)));
        break;
      }
      case 9:
        if (chance(10)) {
          const int operation = pick(0, 7);
          Note(QStringLiteral("refuse operation %1").arg(operation));
          rig->Adapter().FailNextCall(static_cast<EmulatedAdapter::Operation>(operation), 0x323);
        }
        break;
      case 10: {
        const bool answering = !chance(5);
        Note(QStringLiteral("answering %1").arg(answering));
        rig->Adapter().SetAnswering(answering);
        break;
      }
      case 11:
        if (chance(15)) {
          Note(window.open ? "close log" : "open log");
          if (window.open) {
            fileLog.MenuFileCloseLogFileClick();
          } else {
            OpenLog();
          }
        }
        break;
      case 12:
        controls.autoRepeat = chance(70);
        Note(QStringLiteral("auto repeat %1").arg(controls.autoRepeat));
        break;
      case 13: {
        const int item = chance(50) ? 0 : pick(1, 5);
        Note(QStringLiteral("interval %1").arg(item));
        engine.SetRepeatInterval(kRepeatIntervals[item].interval);
        break;
      }
      case 14: {
        // The wall clock jumps, forwards or backwards, as when it is set.
        const int seconds = chance(50) ? pick(-3700, 3700) : pick(-15, 15);
        Note(QStringLiteral("clock %1 s").arg(seconds));
        clock.base = clock.base.addSecs(seconds);
        break;
      }
      case 15:
        if (chance(8)) {
          extraBytes = pick(0, 300);
          Note(diskFull ? "disk freed" : QStringLiteral("disk full in %1 bytes").arg(extraBytes));
          LimitFileSize(!diskFull);
          diskFullBefore = diskFull;
        }
        break;
      default:
        Advance(std::chrono::milliseconds(pick(0, 300)));
        break;
    }
    for (int i = statusSeen; i < status.history.size(); ++i) {
      Note(QStringLiteral("  status %1 row %2 pending %3 stale %4")
               .arg(status.history[i])
               .arg(state.rowIndex)
               .arg(state.pendingRow)
               .arg(state.staleOutcomes));
    }
    passesEnded += wasRunning && !engine.IsRunning();
    CheckInvariants(step);
    if (HasFatalFailure()) return;
  }
  LimitFileSize(false);
  if (window.open) fileLog.MenuFileCloseLogFileClick();
  CheckInvariants(steps);
  std::printf("walk: %d passes ended, %d log records checked\n", passesEnded, checker.Records());
  // A walk this long gets scans under way and to their end, and logs them.
  if (steps < 20000) return;
  EXPECT_GT(passesEnded, steps / 400);
  EXPECT_GT(checker.Records(), steps / 1000);
}

}  // namespace
