#pragma once

// Every category of the program ("pelmor.link", "pelmor.scan",
// "pelmor.i2cdev", ...) logs at information level and above unless asked for
// more: warnings for the person start with "pelmor: ", as the program's other
// messages on standard error do. --verbose turns on the categories' debug
// messages (every status text, every row's outcome), each led by its
// category. QT_LOGGING_RULES and QT_MESSAGE_PATTERN still have the last word,
// as Qt users expect.
void SetUpProgramLogging(bool verbose);
