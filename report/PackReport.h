#pragma once

#include <QDate>
#include <QDateTime>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <vector>

#include "report/PackFigures.h"
#include "report/PackVerdict.h"

// A pack's report as a person reads it, in the order a technician asks:
// identity, health, cells, now, status, then the verdict. One line a figure,
// shown as text and kept as a typed JSON value with its unit, so that the
// text, the JSON and the page say the same.
struct ReportLine {
  QString label;
  QString shown;  // the figure as the text and the page show it
  QString key;    // its name in the JSON
  QJsonValue value;
};

struct ReportSection {
  QString title;
  QString key;
  std::vector<ReportLine> lines;
};

// Where and when the pack was read, and by what.
struct ReportOrigin {
  QDateTime time;
  QString station;
  QString program;  // "pelmor 2.1.0"
  QString port;
  QString address;
};

struct PackReport {
  ReportOrigin origin;
  std::vector<ReportSection> sections;
  Verdict verdict;
  QString packName;  // maker-device-serial, for a file name
};

PackReport ReportOf(const PackFigures& figures, const VerdictLimits& limits,
                    const ReportOrigin& origin);

// A section the report gains from elsewhere (a discharge log), before the verdict.
void AddSection(PackReport& report, ReportSection section);

QString ReportText(const PackReport& report);
QJsonObject ReportJson(const PackReport& report);
// A page of its own; the image source, when not empty, is drawn under the
// figures, this wide.
QString ReportHtml(const PackReport& report, const QString& imageSource = {}, int imageWidth = 0);

// A figure with its unit: "11.736 V", and {"value": 11.736, "unit": "V"}.
ReportLine FigureLine(const QString& label, const QString& key, double value, const QString& unit,
                      int decimals);
