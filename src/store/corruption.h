// Numbered consistency failures of the storage core. A failed check calls
// reportCorruption, which sets the file error details and unwinds straight to the
// innermost errorExit of the driver entry; nothing on the way is undone.
#pragma once

#include <cstdint>
#include <string>

namespace kestrand {

// The driver's unwinding exception: thrown only by reportCorruption, caught only at
// the driver entry's errorExit points.
struct DriverUnwind {
  int32_t report;
};

// Does not return: throws DriverUnwind once a driver operation has armed the
// errorExit; before that it is a fatal runtime error ("<message> (<n>)" on standard
// error and a non-zero exit).
[[noreturn]] void reportCorruption(int32_t report);

// Armed by the driver entry at the start of an operation; stays armed for the rest
// of the process.
void armErrorExit();
bool errorExitArmed();

// The name corruption reports are made for (the table's full name, or the declared
// name before the table is open). Empty means none is current.
void setCorruptionFileName(std::string name);
const std::string& corruptionFileName();

// The message of a report: locale message 4101 (at most 219 characters) or
// "Possible data corruption in file".
std::string corruptionMessage();

}  // namespace kestrand
