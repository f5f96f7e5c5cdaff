#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>
#include <optional>
#include <vector>

// Records of fields as RFC 4180 reads them: a field in double quotes may hold
// commas, line ends and doubled quotes; records end in CR LF. None for text
// that is not CSV.
inline std::optional<std::vector<QStringList>> CsvRecords(QStringView text) {
  std::vector<QStringList> records;
  QStringList fields;
  qsizetype i = 0;
  while (i < text.size()) {
    QString field;
    if (text[i] == QLatin1Char('"')) {
      for (++i;; ++i) {
        if (i >= text.size()) return std::nullopt;
        if (text[i] != QLatin1Char('"')) {
          field += text[i];
        } else if (i + 1 < text.size() && text[i + 1] == QLatin1Char('"')) {
          field += QLatin1Char('"');
          ++i;
        } else {
          ++i;
          break;
        }
      }
    } else {
      while (i < text.size() && text[i] != QLatin1Char(',') && text[i] != QLatin1Char('\r')) {
        if (text[i] == QLatin1Char('"') || text[i] == QLatin1Char('\n')) return std::nullopt;
        field += text[i++];
      }
    }
    fields << field;
    if (i < text.size() && text[i] == QLatin1Char(',')) {
      ++i;
    } else if (text.mid(i).startsWith(QLatin1String("\r\n"))) {
      i += 2;
      records.push_back(fields);
      fields.clear();
    } else {
      return std::nullopt;
    }
  }
  if (!fields.isEmpty()) return std::nullopt;
  return records;
}
