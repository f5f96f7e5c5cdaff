#include "report/EachPack.h"

#include <QDir>
#include <QJsonDocument>
#include <QSaveFile>
#include <QTimer>
#include <map>
#include <set>

#include "battery/RegisterNames.h"
#include "cli/CommandEndings.h"
#include "report/ReportCommand.h"
#include "report/ReportPage.h"

namespace {

// How long the bench is left alone between two looks for a pack.
constexpr int kLookEveryMs = 1000;

std::vector<int> IdentityRows() {
  std::vector<int> rows;
  for (const char* name : {"SerialNumber", "ManufacturerName", "DeviceName"}) {
    rows.push_back(*RowNamed(QString::fromLatin1(name)));
  }
  return rows;
}

struct Identity {
  QString key;     // maker, device and serial number
  QString serial;  // as the line shows it
  bool operator==(const Identity& other) const { return key == other.key; }
};

// The pack's identity, when all three of its registers answered.
std::optional<Identity> IdentityOf(const HeadlessScan::Pass& pass,
                                   const RegisterCatalogue& catalogue) {
  const PackFigures figures = FiguresOf(pass.rows, catalogue);
  const auto serial = figures.Number("SerialNumber");
  const auto maker = figures.Text("ManufacturerName");
  const auto device = figures.Text("DeviceName");
  if (!serial || !maker || !device) return std::nullopt;
  return Identity{
      *maker + QLatin1Char('\n') + *device + QLatin1Char('\n') + QString::number(*serial),
      QString::number(*serial)};
}

void Pause(const ReportContext& context) {
  if (context.scan.Interrupted()) return;
  QTimer::singleShot(kLookEveryMs, &context.wait, &QEventLoop::quit);
  context.wait.exec();
}

std::optional<QString> WriteJson(const PackReport& report, const QString& path) {
  QSaveFile file(path);
  if (file.open(QIODevice::WriteOnly)) {
    file.write(QJsonDocument(ReportJson(report)).toJson(QJsonDocument::Indented));
    if (file.commit()) return std::nullopt;
  }
  return QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
}

// The pack's two files; what went wrong, if anything.
std::optional<QString> WriteFiles(const PackReport& report, const QString& folder) {
  const QString stem = QDir(folder).filePath(report.packName + QLatin1Char('-') +
                                             report.origin.time.date().toString(Qt::ISODate));
  if (auto error = WriteReportPage(report, stem + QStringLiteral(".pdf"))) return error;
  return WriteJson(report, stem + QStringLiteral(".json"));
}

QString Summary(const std::map<Grade, int>& counts) {
  const auto count = [&](Grade grade) {
    const auto found = counts.find(grade);
    return found == counts.end() ? 0 : found->second;
  };
  const int packs = count(Grade::Pass) + count(Grade::Check) + count(Grade::Fail);
  return QStringLiteral("%1 pack%2: %3 passed, %4 checked, %5 failed\n")
      .arg(packs)
      .arg(packs == 1 ? "" : "s")
      .arg(count(Grade::Pass))
      .arg(count(Grade::Check))
      .arg(count(Grade::Fail));
}

}  // namespace

int RunEachPack(const ReportContext& context, const EachPackSettings& settings) {
  HeadlessScan& scan = context.scan;
  std::set<QString> seen;
  std::map<Grade, int> counts;
  // However the run ends, what it did is summed up.
  const auto endWith = [&](int status) {
    if (!context.out.Write(Summary(counts).toUtf8())) return OutputLost();
    return status;
  };
  Err() << "pelmor: waiting for packs at address " << context.origin.address
        << "; Ctrl+C ends with a summary" << Qt::endl;
  while (!scan.Interrupted()) {
    const HeadlessScan::Pass look = scan.Read(IdentityRows());
    if (look.interrupted) break;
    if (const std::optional<int> ending = ReadEnding(look, context)) return endWith(*ending);
    const std::optional<Identity> identity = IdentityOf(look, scan.Catalogue());
    if (!identity || seen.count(identity->key) != 0) {
      Pause(context);
      continue;
    }
    const HeadlessScan::Pass full = scan.Read(ReportRows());
    if (full.interrupted) break;
    if (const std::optional<int> ending = ReadEnding(full, context)) return endWith(*ending);
    const HeadlessScan::Pass after = scan.Read(IdentityRows());
    if (after.interrupted) break;
    if (const std::optional<int> ending = ReadEnding(after, context)) return endWith(*ending);
    if (IdentityOf(after, scan.Catalogue()) != identity) {
      Err() << "pelmor: the pack with serial number " << identity->serial
            << " went away during its read: nothing written; it is read again when it answers"
            << Qt::endl;
      continue;
    }
    ReportOrigin origin = context.origin;
    origin.time = full.startTime;
    const PackReport report =
        ReportOf(FiguresOf(full.rows, scan.Catalogue()), settings.limits, origin);
    if (const std::optional<QString> error = WriteFiles(report, settings.folder)) {
      Err() << "pelmor: " << *error << Qt::endl;
      return endWith(report_exit::kNoReport);
    }
    seen.insert(identity->key);
    ++counts[report.verdict.grade];
    const QString line =
        QStringLiteral("%1  %2  %3\n")
            .arg(identity->serial, GradeWord(report.verdict.grade).leftJustified(5),
                 report.verdict.reasons.empty() ? QString() : report.verdict.reasons.front().text);
    if (!context.out.Write(line.toUtf8())) return OutputLost();
  }
  return endWith(report_exit::kPass);
}
