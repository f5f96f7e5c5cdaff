#pragma once

#include <QPointF>
#include <QtGlobal>
#include <deque>
#include <optional>
#include <utility>
#include <vector>

// The readings of one register over time, held in at most a fixed number of
// time buckets however many readings come: when the readings span more
// buckets than that, every bucket doubles its width and neighbours merge.
// A bucket keeps its first, lowest, highest and last reading, which is all a
// line needs to look the same on a screen about as many pixels wide.
//
// A gap (a reading given up) breaks the line where its bucket holds no
// reading; gaps narrower than a bucket among readings are bridged.
class DecimatedLine {
 public:
  // Times are milliseconds on any scale; buckets are counted from originMs.
  DecimatedLine(int maxBuckets, qint64 originMs);

  void AddReading(qint64 ms, double value);
  void AddGap(qint64 ms);
  // Forgets the buckets that end at or before this time.
  void DropBefore(qint64 ms);

  // The line to draw: runs of (ms, value) points in time order; a gap lies
  // between two runs.
  std::vector<std::vector<QPointF>> Runs() const;
  // The lowest and highest reading held; none when there is none.
  std::optional<std::pair<double, double>> ValueRange() const;

  int BucketCount() const { return static_cast<int>(buckets_.size()); }
  qint64 BucketWidthMs() const { return widthMs_; }

 private:
  struct Sample {
    qint64 ms = 0;
    double value = 0;
  };
  struct Bucket {
    qint64 index = 0;
    int readings = 0;
    bool gap = false;
    Sample first, low, high, last;
  };

  qint64 IndexOf(qint64 ms) const;
  Bucket& BucketFor(qint64 ms);
  void Coarsen();
  static Bucket EmptyBucket(qint64 index);
  static void Merge(Bucket& into, const Bucket& from);

  int maxBuckets_;
  qint64 originMs_;
  qint64 widthMs_;
  std::deque<Bucket> buckets_;  // by index, ascending
};
