#include "interrupt.hpp"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <iostream>

namespace moxa::grade {

namespace {

sigset_t stopping_signals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGHUP);
  return set;
}

}  // namespace

const char* signal_name(int signal) {
  switch (signal) {
    case SIGINT: return "SIGINT";
    case SIGTERM: return "SIGTERM";
    case SIGHUP: return "SIGHUP";
    default: return "a signal";
  }
}

Interruption::Interruption() {
  const sigset_t set = stopping_signals();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
  signal_fd_ = signalfd(-1, &set, SFD_CLOEXEC);
  if (signal_fd_ < 0 || pipe2(wake_, O_CLOEXEC) != 0) {
    // Without a way to wait for them the signals act as they would have.
    pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
    return;
  }
  waiter_ = std::jthread([this] { wait_for_signals(); });
}

Interruption::~Interruption() {
  if (waiter_.joinable()) {
    const char byte = 0;
    while (write(wake_[1], &byte, 1) < 0 && errno == EINTR) {
    }
    waiter_.join();
  }
  for (const int fd : {signal_fd_, wake_[0], wake_[1]})
    if (fd >= 0) close(fd);
}

int Interruption::signal() const {
  std::lock_guard lock(mutex_);
  return signal_;
}

void Interruption::at_second_signal(std::function<void()> cleanup) {
  std::lock_guard lock(mutex_);
  cleanup_ = std::move(cleanup);
}

void Interruption::wait_for_signals() {
  for (;;) {
    pollfd fds[2] = {{signal_fd_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
    if (poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (fds[1].revents != 0) return;
    signalfd_siginfo info{};
    if (read(signal_fd_, &info, sizeof info) != static_cast<ssize_t>(sizeof info)) continue;
    const int number = static_cast<int>(info.ssi_signo);
    std::function<void()> cleanup;
    {
      std::lock_guard lock(mutex_);
      if (signal_ == 0) {
        signal_ = number;
      } else {
        cleanup = cleanup_;
      }
    }
    if (stop_.stop_requested()) {
      // The second signal: the grader does not wait for the runs under way.
      if (cleanup) cleanup();
      std::cerr << "moxa-grade: " << signal_name(number) << " again; stopped at once\n";
      std::cerr.flush();
      std::signal(number, SIG_DFL);
      const sigset_t set = stopping_signals();
      pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
      raise(number);
      std::_Exit(128 + number);
    }
    std::cerr << "moxa-grade: " << signal_name(number) << " received; no more runs are started\n";
    stop_.request_stop();
  }
}

void Interruption::end_by_signal() const {
  const int number = signal();
  std::cerr.flush();
  std::signal(number, SIG_DFL);
  sigset_t only;
  sigemptyset(&only);
  sigaddset(&only, number);
  pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
  raise(number);
  std::_Exit(128 + number);  // not reached: the signal ends the process
}

}  // namespace moxa::grade
