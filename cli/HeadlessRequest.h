#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <utility>
#include <vector>

#include "battery/RegisterTable.h"
#include "platform/Platform.h"
#include "publish/Publisher.h"

enum class OutputFormat { Text, Csv, Json };

// What a headless command line asks for, checked before the bus is touched.
struct HeadlessRequest {
  bool write = false;
  std::vector<int> rows;                        // read: in row order
  std::vector<RegisterDefinition> extraRows;    // read: optional registers, rows 33 on
  std::vector<std::pair<int, QString>> writes;  // write: row and typed text, in row order
  OutputFormat format = OutputFormat::Text;
  int everyMs = 0;
  int count = 1;                        // passes; 0 until interrupted
  std::optional<QString> comPortEntry;  // none: the first port listed
  int addressEntry = 0;
  PlatformOptions platform;
  std::optional<PublisherSettings> publish;  // read: each pass also to a broker (no login yet)
};

// The request, or the usage error to print.
struct HeadlessParse {
  std::optional<HeadlessRequest> request;
  QString error;
  QString usage;
  bool helpAsked = false;
  bool listAsked = false;  // read --list: the register names, no bus
};

HeadlessParse ParseHeadlessCommand(const QStringList& arguments);
