#pragma once

#include <QImage>
#include <QPointF>
#include <vector>

// A discharge curve drawn for the report's page: voltage (V) against the
// charge delivered (mAh), with both axes labelled. A null image for fewer
// than two points.
QImage DischargeCurvePicture(const std::vector<QPointF>& curve);
