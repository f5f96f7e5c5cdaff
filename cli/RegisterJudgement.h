#pragma once

#include <QString>

#include "cli/ProbeFacts.h"

// What a battery register's two readings say, judged from their replies and
// faults, never from the texts shown for them. The texts appear only in the
// summary, for the person.
struct RegisterJudgement {
  QString summary = {};    // the readings and what they mean
  QString problem = {};    // why they make no sense
  QString change = {};     // how they differ
  bool badReply = false;   // a reply came cut short or over-long
  bool shortText = false;  // a string's reply came cut short
};

RegisterJudgement JudgeRegister(const ProbeFacts& facts, const RegisterFacts& reg);

// Both readings brought a reply (whole or not).
bool Answered(const RegisterFacts& reg);

// Every register makes sense and reads the same twice.
bool ReadsAsABattery(const ProbeFacts& facts);

// "Norvale Cells NV3S4400, 12.29 V": the pack's maker, name and voltage.
QString Identity(const ProbeFacts& facts);
