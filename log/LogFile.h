#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <optional>

// A text file written sequentially through an output buffer of 128 bytes,
// which goes to the file whenever it is full and at close; nothing is forced
// to the disk. A failed write therefore shows at the write that fills the
// buffer, or at close. Every call answers the system's error text when it
// failed, and nothing when it succeeded.
//
// A buffer that could not be written is kept whole and goes out first at the
// next write or close, so a full disk that is freed again loses nothing.
class LogFile {
 public:
  static constexpr qsizetype kBufferSize = 128;

  LogFile() = default;
  ~LogFile();
  LogFile(const LogFile&) = delete;
  LogFile& operator=(const LogFile&) = delete;

  // Creates the file, or empties it if it exists, and opens it for writing.
  std::optional<QString> Create(const QString& path);
  // Takes the bytes into the buffer, writing it out each time it is full.
  std::optional<QString> Write(QByteArrayView bytes);
  // Writes out what is buffered and closes the file. When the writing fails
  // the file stays open with its buffer, and a later Close tries again.
  std::optional<QString> Close();

  bool IsOpen() const { return descriptor_ >= 0; }
  // Bytes taken but not yet in the file.
  qsizetype Buffered() const { return buffer_.size(); }
  // Every byte taken since the file was created, in the file or buffered.
  qint64 Taken() const { return inFile_ + buffer_.size(); }
  // Takes back what was taken after the first `taken` bytes, from the buffer
  // and, where some of it is in the file already, from the file.
  std::optional<QString> TakeBack(qint64 taken);

 private:
  // Writes the first `count` buffered bytes to the file.
  std::optional<QString> WriteOut(qsizetype count);

  int descriptor_ = -1;
  QByteArray buffer_;
  qint64 inFile_ = 0;  // bytes written to the file
};
