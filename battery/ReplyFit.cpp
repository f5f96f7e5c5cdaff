#include "battery/ReplyFit.h"

#include "battery/UnitClass.h"

namespace {

constexpr int kWordLength = 2;

bool Counted(const QString& unitClass) {
  return TransactionKindForUnitClass(unitClass) != TransactionKind::Word;
}

// The bytes the reply claims: a word's two, or a block's count byte and data.
int ClaimedLength(const QString& unitClass, const ReplyBuffer& reply, int length) {
  if (!Counted(unitClass)) return kWordLength;
  return length < 1 ? 1 : 1 + reply[0];
}

}  // namespace

ReplyFit JudgeReply(const QString& unitClass, const ReplyBuffer& reply, int length) {
  const int claimed = ClaimedLength(unitClass, reply, length);
  if (length < claimed) return ReplyFit::CutShort;
  if (length > claimed || (Counted(unitClass) && reply[0] > kBlockCountMax)) {
    return ReplyFit::OverLong;
  }
  return ReplyFit::Complete;
}

QString ReplyFitWords(ReplyFit fit) {
  switch (fit) {
    case ReplyFit::Complete:
      return {};
    case ReplyFit::CutShort:
      return QStringLiteral("cut short");
    case ReplyFit::OverLong:
      return QStringLiteral("over-long");
  }
  return {};
}

QString ReplyFitDetail(const QString& unitClass, const ReplyBuffer& reply, int length) {
  if (!Counted(unitClass)) {
    return QStringLiteral("a word is %1 bytes, %2 came").arg(kWordLength).arg(length);
  }
  if (length < 1) return QStringLiteral("not even the count came");
  return QStringLiteral("the count says %1 bytes, %2 came").arg(reply[0]).arg(length - 1);
}

std::optional<ReplyBuffer> ReplyAsFarAsItCame(const QString& unitClass, const ReplyBuffer& reply,
                                              int length) {
  if (JudgeReply(unitClass, reply, length) != ReplyFit::CutShort) return reply;
  if (!Counted(unitClass)) return std::nullopt;
  ReplyBuffer asFarAsItCame = reply;
  asFarAsItCame[0] = static_cast<std::uint8_t>(length < 1 ? 0 : length - 1);
  return asFarAsItCame;
}
