#pragma once

#include <gtest/gtest.h>

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
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

#ifdef PELMOR_EXECUTABLE
// The real executable run to its end: its exit status and what it wrote.
struct PelmorRun {
  int status;
  QByteArray out;
  QByteArray err;
};
inline PelmorRun RunPelmorToEnd(const QStringList& arguments,
                                const QProcessEnvironment& environment = TestProcessEnvironment()) {
  QProcess process;
  process.setProcessEnvironment(environment);
  process.start(QStringLiteral(PELMOR_EXECUTABLE), arguments);
  EXPECT_TRUE(process.waitForFinished(60000));
  return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
}
#endif
