#include "chart/DecimatedLine.h"

#include <algorithm>
#include <array>

namespace {

// The finest bucket: a quarter of a second, finer than any two passes.
constexpr qint64 kFinestWidthMs = 250;

qint64 FloorDivide(qint64 a, qint64 b) {
  const qint64 quotient = a / b;
  return (a % b != 0 && (a < 0) != (b < 0)) ? quotient - 1 : quotient;
}

}  // namespace

DecimatedLine::DecimatedLine(int maxBuckets, qint64 originMs)
    : maxBuckets_(std::max(2, maxBuckets)), originMs_(originMs), widthMs_(kFinestWidthMs) {}

qint64 DecimatedLine::IndexOf(qint64 ms) const {
  return FloorDivide(ms - originMs_, widthMs_);
}

DecimatedLine::Bucket& DecimatedLine::BucketFor(qint64 ms) {
  qint64 index = IndexOf(ms);
  // Readings come in time order but for the odd one out, so the last bucket
  // is nearly always the one.
  if (!buckets_.empty() && buckets_.back().index == index) return buckets_.back();
  if (buckets_.empty() || buckets_.back().index < index) {
    buckets_.push_back(EmptyBucket(index));
  } else {
    const auto at = std::lower_bound(buckets_.begin(), buckets_.end(), index,
                                     [](const Bucket& b, qint64 i) { return b.index < i; });
    if (at != buckets_.end() && at->index == index) return *at;
    buckets_.insert(at, EmptyBucket(index));
  }
  if (static_cast<int>(buckets_.size()) > maxBuckets_) {
    Coarsen();
    index = IndexOf(ms);
  }
  const auto at = std::lower_bound(buckets_.begin(), buckets_.end(), index,
                                   [](const Bucket& b, qint64 i) { return b.index < i; });
  return *at;
}

DecimatedLine::Bucket DecimatedLine::EmptyBucket(qint64 index) {
  Bucket bucket;
  bucket.index = index;
  return bucket;
}

void DecimatedLine::Merge(Bucket& into, const Bucket& from) {
  if (from.readings > 0) {
    if (into.readings == 0) {
      into.first = from.first;
      into.low = from.low;
      into.high = from.high;
      into.last = from.last;
    } else {
      if (from.first.ms < into.first.ms) into.first = from.first;
      if (from.last.ms >= into.last.ms) into.last = from.last;
      if (from.low.value < into.low.value) into.low = from.low;
      if (from.high.value > into.high.value) into.high = from.high;
    }
  }
  into.readings += from.readings;
  into.gap = into.gap || from.gap;
}

void DecimatedLine::Coarsen() {
  while (static_cast<int>(buckets_.size()) > maxBuckets_) {
    widthMs_ *= 2;
    std::deque<Bucket> merged;
    for (Bucket& bucket : buckets_) {
      bucket.index = FloorDivide(bucket.index, 2);
      if (!merged.empty() && merged.back().index == bucket.index) {
        Merge(merged.back(), bucket);
      } else {
        merged.push_back(bucket);
      }
    }
    buckets_ = std::move(merged);
  }
}

void DecimatedLine::AddReading(qint64 ms, double value) {
  Bucket& bucket = BucketFor(ms);
  const Sample sample{ms, value};
  Merge(bucket, {bucket.index, 1, false, sample, sample, sample, sample});
}

void DecimatedLine::AddGap(qint64 ms) {
  BucketFor(ms).gap = true;
}

void DecimatedLine::DropBefore(qint64 ms) {
  while (!buckets_.empty() && originMs_ + (buckets_.front().index + 1) * widthMs_ <= ms) {
    buckets_.pop_front();
  }
}

std::vector<std::vector<QPointF>> DecimatedLine::Runs() const {
  std::vector<std::vector<QPointF>> runs;
  bool broken = true;
  for (const Bucket& bucket : buckets_) {
    if (bucket.readings == 0) {
      broken = true;
      continue;
    }
    if (broken) runs.emplace_back();
    broken = false;
    std::array<Sample, 4> samples{bucket.first, bucket.low, bucket.high, bucket.last};
    std::sort(samples.begin(), samples.end(),
              [](const Sample& a, const Sample& b) { return a.ms < b.ms; });
    std::vector<QPointF>& run = runs.back();
    for (const Sample& sample : samples) {
      const QPointF point(static_cast<double>(sample.ms), sample.value);
      if (!run.empty() && run.back() == point) continue;
      // A level stretch needs only its ends.
      const std::size_t n = run.size();
      if (n >= 2 && run[n - 1].y() == point.y() && run[n - 2].y() == point.y()) {
        run[n - 1] = point;
      } else {
        run.push_back(point);
      }
    }
  }
  return runs;
}

std::optional<std::pair<double, double>> DecimatedLine::ValueRange() const {
  std::optional<std::pair<double, double>> range;
  for (const Bucket& bucket : buckets_) {
    if (bucket.readings == 0) continue;
    if (!range) range = {bucket.low.value, bucket.high.value};
    range->first = std::min(range->first, bucket.low.value);
    range->second = std::max(range->second, bucket.high.value);
  }
  return range;
}
