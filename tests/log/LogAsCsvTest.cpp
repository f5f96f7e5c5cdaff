// A log written by the window's log code for a pack whose strings hold
// quotes, commas and control characters, read back by a CSV reader that is
// not ours (Python's csv module): every value stands in its own column.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>
#include <map>

#include "battery/RegisterCatalogue.h"
#include "battery/ValueCodec.h"
#include "log/ScanLogFile.h"
#include "tests/log/LogTestSupport.h"
#include "tests/support/FakeRowControls.h"
#include "tests/support/QtPrinters.h"

namespace {

ReplyBuffer StringReply(const QByteArray& bytes) {
  ReplyBuffer reply{};
  reply[0] = static_cast<std::uint8_t>(bytes.size());
  std::copy(bytes.begin(), bytes.end(), reply.begin() + 1);
  return reply;
}

QList<QStringList> CsvRecords(const QString& path) {
  QProcess reader;
  reader.start(QStringLiteral("python3"), {QStringLiteral(CSV_RECORDS_SCRIPT), path});
  EXPECT_TRUE(reader.waitForFinished(30000));
  EXPECT_EQ(reader.exitCode(), 0) << reader.readAllStandardError().toStdString();
  QList<QStringList> records;
  for (const QJsonValue record : QJsonDocument::fromJson(reader.readAllStandardOutput()).array()) {
    QStringList fields;
    for (const QJsonValue field : record.toArray()) fields << field.toString();
    records << fields;
  }
  return records;
}

TEST(LogAsCsvTest, EveryValueOfACraftedPackStaysInItsColumn) {
  QTemporaryDir dir;
  const QString path = dir.filePath("pelmorlog.txt");
  FakeRowControlsSource rows;
  RegisterCatalogue catalogue;
  catalogue.BuildCatalogue(rows);
  FakeLogWindow window;
  ScanLogFile log(catalogue, window, LogFormatter{});

  const QByteArray kestrel = "Kestrel \"Power\", Inc";
  const QByteArray escapes = "\x1b[2J\x1b[31mKP\x07";
  const QByteArray quoted = "\"LION\"";
  // Temperature, Voltage, ManufacturerName, DeviceName, DeviceChemistry.
  const std::map<int, ReplyBuffer> replies = {{8, {0xA6, 0x0B}},
                                              {9, {0x2C, 0x2E}},
                                              {29, StringReply(kestrel)},
                                              {30, StringReply(escapes)},
                                              {31, StringReply(quoted)}};
  catalogue.SelectAll(false);
  for (const auto& [row, reply] : replies) catalogue.SetSelected(row, true);
  log.OpenLogFile(path);
  for (const auto& [row, reply] : replies) ASSERT_TRUE(log.HeaderStep(row));
  log.EndHeaderColumns();
  for (const auto& [row, reply] : replies) {
    ASSERT_TRUE(log.LogPrefix(row == 8, QDateTime(QDate(2026, 12, 7), QTime(9, 30))));
    ASSERT_TRUE(log.ValueStep(row, DecodeReply(catalogue.UnitClass(row), reply)));
  }
  log.MenuFileCloseLogFileClick();
  ASSERT_TRUE(window.errors.isEmpty());

  const QList<QStringList> records = CsvRecords(path);
  ASSERT_EQ(records.size(), 2);
  EXPECT_EQ(records[0].size(), 6);
  EXPECT_EQ(records[1],
            (QStringList{"12/07/2026 09:30:00", "2982", "11820", QString::fromLatin1(kestrel),
                         QString::fromLatin1(escapes), QString::fromLatin1(quoted)}));
}

}  // namespace
