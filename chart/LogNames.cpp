#include "chart/LogNames.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

namespace {

// The last `depth` parts of a path, as a person reads it.
QString Tail(const QStringList& parts, qsizetype depth) {
  return parts.mid(parts.size() - std::min(depth, parts.size())).join(QLatin1Char('/'));
}

}  // namespace

QStringList LogNames(const QStringList& paths) {
  std::vector<QStringList> parts;
  for (const QString& path : paths) {
    parts.push_back(QDir::cleanPath(QFileInfo(path).absoluteFilePath()).split(QLatin1Char('/')));
  }
  QStringList names;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const auto clashes = [&](qsizetype depth) {
      return std::any_of(parts.begin(), parts.end(), [&](const QStringList& other) {
        return other != parts[i] && Tail(other, depth) == Tail(parts[i], depth);
      });
    };
    qsizetype depth = 1;
    while (depth < parts[i].size() && clashes(depth)) ++depth;
    const auto earlier =
        std::count(parts.begin(), parts.begin() + static_cast<std::ptrdiff_t>(i), parts[i]);
    names << (earlier == 0 ? Tail(parts[i], depth)
                           : QStringLiteral("%1 (%2)").arg(Tail(parts[i], depth)).arg(earlier + 1));
  }
  return names;
}
