// Real processes for tests of locks, sharing, visibility and crashes.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace kestrand::testing_support {

// Runs `body` in a forked child; the child's exit status is body's result (the child
// never returns into the test framework). The parent waits for it.
int runInChild(const std::function<int()>& body);

// A forked child that runs `body` while the parent goes on; wait() collects it.
class Child {
 public:
  explicit Child(const std::function<int()>& body);
  ~Child();  // kills and reaps a child that is still running
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  int wait();  // exit status; 128 + signal number when it was killed
  int pid() const { return pid_; }

 private:
  int pid_ = -1;
};

// One-way signalling between processes: a pipe that a child writes a byte to and the
// parent waits on (or the other way round).
class Signal {
 public:
  Signal();
  ~Signal();
  Signal(const Signal&) = delete;
  Signal& operator=(const Signal&) = delete;
  void notify();
  // Waits for one notification; false when the other side closed without notifying.
  bool wait();

 private:
  int fds_[2] = {-1, -1};
};

struct ProcessResult {
  int exitCode = -1;
  std::string out;
  std::string err;
};

// Runs a program with arguments (no shell), capturing standard output and error.
ProcessResult runProgram(const std::string& program, const std::vector<std::string>& args,
                         const std::string& workingDirectory = "");

}  // namespace kestrand::testing_support
