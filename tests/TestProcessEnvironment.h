#pragma once

#include <QProcessEnvironment>
#include <QTemporaryDir>

// The environment in which a test runs the real executable: the test's own,
// with configuration and cache folders of its own instead of the user's.
inline QProcessEnvironment TestProcessEnvironment() {
  static const QTemporaryDir folders;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("XDG_CONFIG_HOME"), folders.filePath(QStringLiteral("config")));
  environment.insert(QStringLiteral("XDG_CACHE_HOME"), folders.filePath(QStringLiteral("cache")));
  return environment;
}
