#pragma once

// How a scan paces its rows and how long it keeps at a row that fails: the
// numbers that the window and the command line choose differently, in one
// place.
struct ScanPolicy {
  // Attempts a row gets before it is given up.
  int attemptsPerRow = 5;
  // The pause between a row's outcome and the next row's transaction.
  int rowPacingMs = 100;
  // The pause before a row is tried again after a bus error...
  int busErrorPauseMs = 1000;
  // ...and after a missing acknowledge, an arbitration loss or a reply the
  // adapter would not hand over.
  int retryPauseMs = 100;
  // An accepted transaction that gets no outcome within this time is issued
  // again, without counting an attempt.
  int guardMs = 200;
  // Whether a bus time-out counts as one of the row's attempts. In the window
  // it does not: the row is read again until the person presses Stop.
  bool timeoutIsAttempt = false;

  // The window's scan: a person follows it row by row.
  static ScanPolicy Window() { return {}; }

  // The command line's: each row follows as soon as the previous one has its
  // outcome, and with no person to press Stop a silent bus gives a row up
  // after its attempts like any other fault. Its adapters answer every
  // transaction they accept, but a USB bridge's kernel driver may take
  // seconds to: a transaction is issued again only when no answer came in
  // far longer than that. An earlier re-issue would either be refused, the
  // first still under way, or, the answer already on its way to the event
  // loop, be accepted and have that answer taken for its own.
  static ScanPolicy CommandLine() {
    ScanPolicy policy;
    policy.rowPacingMs = 0;
    policy.guardMs = 30000;
    policy.timeoutIsAttempt = true;
    return policy;
  }
};
