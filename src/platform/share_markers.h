// The emulation of the sharing modes of the system these files come from (see
// os_file.h): shared read locks on marker bytes above 4 GiB, one per thing an open
// has or denies, placed on the open's lock descriptor. Internal to the platform
// file services.
#pragma once

namespace kestrand::platform::share {

// What one open has and denies. Every open also holds the marker "open"; a delete or
// move claims `everything`: it denies all access and conflicts with any other open.
struct Claim {
  bool read = false;
  bool write = false;
  bool denyRead = false;
  bool denyWrite = false;
  bool everything = false;
};

// The exclusive gate under which opens that can place exclusive locks check and take
// their markers. Waits for it (holders keep it only for a few system calls); does
// nothing when `exclusive` is false. Released when it goes.
class Gate {
 public:
  Gate(int lockFd, bool exclusive);
  ~Gate();
  Gate(const Gate&) = delete;
  Gate& operator=(const Gate&) = delete;
  // 0, or the errno of a failed wait.
  int error() const { return error_; }

 private:
  int fd_ = -1;
  int error_ = 0;
};

enum class Outcome { granted, conflict, failed };

// Takes the markers of `claim` on `lockFd`, then looks for markers of other opens that
// conflict with it; on a conflict or a failure the markers are given back. `err` is
// the errno of a failure.
Outcome claim(int lockFd, const Claim& claim, int& err);

// Gives back every marker held through `lockFd` (closing the descriptor does too).
void release(int lockFd);

}  // namespace kestrand::platform::share
