#include "ProgramIcon.h"

#include <QPainter>

QPixmap ProgramIcon() {
  QPixmap icon(32, 32);
  icon.fill(Qt::transparent);
  QPainter painter(&icon);
  // Battery body with its terminal cap.
  painter.setPen(QPen(Qt::black, 1));
  painter.setBrush(Qt::darkGreen);
  painter.drawRect(3, 9, 22, 14);
  painter.setBrush(Qt::darkGray);
  painter.drawRect(25, 13, 3, 6);
  // Charge level.
  painter.setPen(Qt::NoPen);
  painter.setBrush(Qt::green);
  painter.drawRect(5, 11, 13, 11);
  // The two bus lines, clock and data, leaving the pack.
  painter.setPen(QPen(Qt::yellow, 1));
  painter.drawLine(8, 3, 8, 8);
  painter.drawLine(8, 3, 30, 3);
  painter.setPen(QPen(Qt::cyan, 1));
  painter.drawLine(14, 6, 14, 8);
  painter.drawLine(14, 6, 30, 6);
  // Plus sign.
  painter.setPen(QPen(Qt::white, 2));
  painter.drawLine(9, 16, 15, 16);
  painter.drawLine(12, 13, 12, 19);
  painter.end();
  return icon;
}
