// A pack's string, as the bytes of a block reply, through the codec and the
// three forms pelmor read prints: the text form shows no control character
// raw; the CSV form parses back, as RFC 4180 reads it, to one field for the
// string and the value after it in its own column; the JSON form is valid
// JSON holding the string itself.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "battery/PlainRowControls.h"
#include "battery/RegisterCatalogue.h"
#include "cli/PassOutput.h"
#include "tests/fuzz/FuzzInput.h"
#include "tests/support/CsvRecords.h"

namespace {

constexpr int kManufacturerName = 29;
constexpr int kVoltage = 9;

bool IsControl(char16_t c) {
  return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static PlainRowControlsSource rows;
  static RegisterCatalogue catalogue;
  static const bool built = (catalogue.BuildCatalogue(rows), true);
  (void)built;

  HeadlessScan::Pass pass;
  pass.startTime = QDateTime(QDate(2026, 12, 7), QTime(9, 30));
  RowRecord name;
  name.row = kManufacturerName;
  name.ok = name.reached = name.replied = true;
  name.length = kReplyBufferSize;
  std::memcpy(name.reply.data(), data, std::min(size, name.reply.size()));
  name.text = DecodeReply(catalogue.UnitClass(name.row), name.reply);
  RowRecord voltage;
  voltage.row = kVoltage;
  voltage.ok = voltage.reached = voltage.replied = true;
  voltage.reply = {0x2C, 0x2E};
  voltage.length = 2;
  voltage.text = DecodeReply(catalogue.UnitClass(voltage.row), voltage.reply);
  pass.rows = {voltage, name};
  const QString string = ReplyString(name.reply);

  const QString text = QString::fromUtf8(PassOutput(OutputFormat::Text).Render(pass, catalogue));
  const QStringList lines = text.split(QLatin1Char('\n'));
  FUZZ_CHECK(lines.size() == 3 && lines[2].isEmpty());
  for (const QChar c : lines[0] + lines[1]) FUZZ_CHECK(!IsControl(c.unicode()));

  const QByteArray csvBytes = PassOutput(OutputFormat::Csv).Render(pass, catalogue);
  const std::optional<std::vector<QStringList>> csv = CsvRecords(QString::fromLatin1(csvBytes));
  FUZZ_CHECK(csv && csv->size() == 2);
  FUZZ_CHECK((*csv)[0].size() == 3 && (*csv)[1].size() == 3);
  FUZZ_CHECK((*csv)[1][1] == voltage.text && (*csv)[1][2] == string);

  QJsonParseError error;
  const QJsonDocument json =
      QJsonDocument::fromJson(PassOutput(OutputFormat::Json).Render(pass, catalogue), &error);
  FUZZ_CHECK(error.error == QJsonParseError::NoError);
  FUZZ_CHECK(json[QStringLiteral("registers")][1][QStringLiteral("value")].toString() == string);
  return 0;
}
