#pragma once

#include <QString>
#include <optional>

#include "battery/ValueCodec.h"

// How the bytes the adapter handed over fit what a reply claims to be: a word
// is two bytes; a counted block (a "string" or "block" row) is its count byte
// and as many data bytes as it counts, at most 32. This is the one judgement of
// a reply; every output says it in the words of ReplyFitWords.
enum class ReplyFit {
  Complete,
  CutShort,  // fewer bytes came than the reply claims
  OverLong,  // more bytes came than it claims, or a count above 32
};

// The largest count of an SMBus block.
inline constexpr int kBlockCountMax = 32;

ReplyFit JudgeReply(const QString& unitClass, const ReplyBuffer& reply, int length);

// "cut short" or "over-long"; empty for a complete reply.
QString ReplyFitWords(ReplyFit fit);

// What a reply that does not fit claimed and what came: "the count says 8
// bytes, 0 came", "a word is 2 bytes, 1 came".
QString ReplyFitDetail(const QString& unitClass, const ReplyBuffer& reply, int length);

// The reply as far as it came, so that no byte that did not come is shown: a
// counted block cut short counts only the data bytes that came; a word cut
// short has nothing to show. Any other reply is returned as it is.
std::optional<ReplyBuffer> ReplyAsFarAsItCame(const QString& unitClass, const ReplyBuffer& reply,
                                              int length);
