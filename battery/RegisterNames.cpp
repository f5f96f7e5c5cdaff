#include "battery/RegisterNames.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "battery/HexText.h"
#include "battery/RegisterTable.h"

namespace {

bool Abbreviates(const QString& typed, const QString& name) {
  qsizetype at = 0;
  for (const QChar letter : typed) {
    at = name.indexOf(letter, at, Qt::CaseInsensitive);
    if (at < 0) return false;
    ++at;
  }
  return true;
}

qsizetype EditDistance(const QString& a, const QString& b) {
  std::vector<qsizetype> previous(static_cast<std::size_t>(b.size()) + 1);
  std::vector<qsizetype> current(previous.size());
  for (qsizetype j = 0; j <= b.size(); ++j) previous[static_cast<std::size_t>(j)] = j;
  for (qsizetype i = 1; i <= a.size(); ++i) {
    current[0] = i;
    for (qsizetype j = 1; j <= b.size(); ++j) {
      const auto at = static_cast<std::size_t>(j);
      const bool same = a[i - 1].toCaseFolded() == b[j - 1].toCaseFolded();
      current[at] = std::min({previous[at] + 1, current[at - 1] + 1, previous[at - 1] + !same});
    }
    std::swap(previous, current);
  }
  return previous.back();
}
}  // namespace

std::optional<int> RowNamed(const QString& name) {
  for (int row = 0; row < kRegisterRowCount; ++row) {
    if (name.compare(QString::fromLatin1(RegisterTable()[row].registerName), Qt::CaseInsensitive) ==
        0) {
      return row;
    }
  }
  return std::nullopt;
}

QString RegisterListText() {
  qsizetype nameWidth = 0;
  qsizetype unitWidth = 0;
  for (const RegisterDefinition& def : RegisterTable()) {
    nameWidth = std::max(nameWidth, qsizetype(std::strlen(def.registerName)));
    unitWidth = std::max(unitWidth, qsizetype(std::strlen(def.unitClass)));
  }
  QString text;
  for (const RegisterDefinition& def : RegisterTable()) {
    QString line = QStringLiteral("%1  0x%2  %3")
                       .arg(QString::fromLatin1(def.registerName).leftJustified(nameWidth),
                            HexText(def.commandCode, 2),
                            QString::fromLatin1(def.unitClass).leftJustified(unitWidth));
    line = def.writable ? line + QStringLiteral("  writable") : line.trimmed();
    text += line + QLatin1Char('\n');
  }
  return text;
}

std::optional<QString> ClosestName(const QString& typed, const QStringList& names) {
  constexpr qsizetype kShortestAbbreviation = 3;
  if (typed.size() >= kShortestAbbreviation) {
    for (const QString& name : names) {
      if (name.startsWith(typed, Qt::CaseInsensitive)) return name;
    }
    for (const QString& name : names) {
      if (Abbreviates(typed, name)) return name;
    }
  }
  std::optional<QString> closest;
  qsizetype closestDistance = 0;
  for (const QString& name : names) {
    const qsizetype distance = EditDistance(typed, name);
    if (distance <= (name.size() + 1) / 2 && (!closest || distance < closestDistance)) {
      closest = name;
      closestDistance = distance;
    }
  }
  return closest;
}
