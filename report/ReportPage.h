#pragma once

#include <QImage>
#include <QString>
#include <optional>

#include "report/PackReport.h"

// The report as one page for a customer or the file: PDF, or HTML when the
// name ends in .html, with the picture (the discharge curve) under the
// figures when there is one. The file is written whole or not at all.
// Returns what went wrong, naming the file, or nothing.
std::optional<QString> WriteReportPage(const PackReport& report, const QString& path,
                                       const QImage& picture = {});

// Whether a name is one WriteReportPage writes: it ends in .pdf or .html.
bool IsReportPageName(const QString& path);
