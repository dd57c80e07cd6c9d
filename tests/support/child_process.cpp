#include "support/child_process.h"

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace kestrand::testing_support {

namespace {
int statusToCode(int status) {
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

int waitFor(int pid) {
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
  }
  return statusToCode(status);
}

std::string readAll(int fd) {
  std::string text;
  char buffer[4096];
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n <= 0) break;
    text.append(buffer, static_cast<std::size_t>(n));
  }
  return text;
}
}  // namespace

int runInChild(const std::function<int()>& body) {
  Child child(body);
  return child.wait();
}

Child::Child(const std::function<int()>& body) {
  pid_ = ::fork();
  if (pid_ < 0) throw std::runtime_error("fork failed");
  if (pid_ == 0) {
    int code = 99;
    try {
      code = body();
    } catch (...) {
      code = 98;
    }
    ::_exit(code);  // no exit handlers: the test framework's state belongs to the parent
  }
}

Child::~Child() {
  if (pid_ > 0) {
    ::kill(pid_, SIGKILL);
    waitFor(pid_);
  }
}

int Child::wait() {
  int code = waitFor(pid_);
  pid_ = -1;
  return code;
}

Signal::Signal() {
  if (::pipe(fds_) != 0) throw std::runtime_error("pipe failed");
}

Signal::~Signal() {
  if (fds_[0] >= 0) ::close(fds_[0]);
  if (fds_[1] >= 0) ::close(fds_[1]);
}

void Signal::notify() {
  char byte = 1;
  (void)!::write(fds_[1], &byte, 1);
}

bool Signal::wait() {
  char byte = 0;
  return ::read(fds_[0], &byte, 1) == 1;
}

ProcessResult runProgram(const std::string& program, const std::vector<std::string>& args,
                         const std::string& workingDirectory) {
  int out[2];
  int err[2];
  if (::pipe(out) != 0 || ::pipe(err) != 0) throw std::runtime_error("pipe failed");
  int pid = ::fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    ::dup2(out[1], 1);
    ::dup2(err[1], 2);
    ::close(out[0]);
    ::close(out[1]);
    ::close(err[0]);
    ::close(err[1]);
    if (!workingDirectory.empty() && ::chdir(workingDirectory.c_str()) != 0) ::_exit(127);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
  }
  ::close(out[1]);
  ::close(err[1]);
  ProcessResult result;
  // Standard error first would block a child that fills the output pipe; outputs here
  // are small, so reading them one after the other is enough.
  result.out = readAll(out[0]);
  result.err = readAll(err[0]);
  ::close(out[0]);
  ::close(err[0]);
  result.exitCode = waitFor(pid);
  return result;
}

}  // namespace kestrand::testing_support
