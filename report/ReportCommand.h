#pragma once

#include <array>
#include <csignal>

#include "cli/HeadlessCommand.h"
#include "platform/ExitStatusHelp.h"
#include "platform/Platform.h"

// `pelmor report`: reads a pack once and says whether it is good, with the
// figures a technician reads and the reasons, as text, JSON, or a one-page
// PDF or HTML file; with --each-pack, a report for every new pack laid on
// the bench until Ctrl+C.
//
// Exit status: the verdict, 0 PASS, 5 CHECK, 6 FAIL; a reading that fails
// keeps the status `pelmor read` gives it.
namespace report_exit {
inline constexpr int kPass = 0;
inline constexpr int kNoReport = 1;
inline constexpr int kUsageError = headless_exit::kUsageError;
inline constexpr int kCheck = 5;
inline constexpr int kFail = 6;
}  // namespace report_exit

inline constexpr std::array kReportExitStatuses{
    ExitStatusMeaning{report_exit::kPass,
                      "PASS: the pack meets every rule; with --each-pack, the run was ended by "
                      "SIGINT or SIGTERM"},
    ExitStatusMeaning{report_exit::kNoReport,
                      "no report: no battery answered, the adapter refused a transaction, or "
                      "standard output or the report's file could not be written"},
    ExitStatusMeaning{report_exit::kUsageError, "a usage error: nothing was sent to the bus"},
    ExitStatusMeaning{headless_exit::kNoLink,
                      "the adapter could not be opened, or a kernel driver holds the battery's "
                      "address"},
    ExitStatusMeaning{headless_exit::kLinkLost,
                      "the adapter was lost (unplugged) after its link had opened"},
    ExitStatusMeaning{report_exit::kCheck,
                      "CHECK: the pack breaks a rule that asks a person to look at it"},
    ExitStatusMeaning{report_exit::kFail, "FAIL: the pack breaks a rule it must not break"},
    ExitStatusMeaning{headless_exit::kBySignal + SIGINT,
                      "SIGINT (Ctrl+C) cut short a report that was not done"},
    ExitStatusMeaning{headless_exit::kBySignal + SIGPIPE,
                      "standard output is a pipe whose reader went away"},
    ExitStatusMeaning{headless_exit::kBySignal + SIGTERM,
                      "SIGTERM cut short a report that was not done"},
};

bool IsReportCommand(int argc, char** argv);
int RunReportCommand(int& argc, char** argv, const PlatformMaker& makePlatform);
