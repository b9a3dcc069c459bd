// The signals that ask the grader to stop (SIGINT, SIGTERM, SIGHUP), taken by a thread of
// its own instead of ending the process where it stands, so that a report is finished or
// discarded as a whole.
#pragma once

#include <functional>
#include <mutex>
#include <stop_token>
#include <thread>

namespace moxa::grade {

class Interruption {
 public:
  // Blocks the three signals in the calling thread, and so in every thread it starts from
  // now on, and starts the thread that waits for them. Make it before any other thread.
  Interruption();
  ~Interruption();
  Interruption(const Interruption&) = delete;
  Interruption& operator=(const Interruption&) = delete;

  // Asked for at the first of the signals.
  std::stop_token stop_token() const { return stop_.get_token(); }
  // That signal; 0 while none came.
  int signal() const;

  // What to do at a second signal, before the process ends by it at once: remove what must
  // not be left behind. Called on the waiting thread.
  void at_second_signal(std::function<void()> cleanup);

  // Ends the process by the signal that came, as if it had not been caught, so that whoever
  // started the grader sees it die by that signal.
  [[noreturn]] void end_by_signal() const;

 private:
  void wait_for_signals();

  std::stop_source stop_;
  mutable std::mutex mutex_;
  int signal_ = 0;
  std::function<void()> cleanup_;
  int signal_fd_ = -1;
  int wake_[2] = {-1, -1};  // a pipe: a byte written ends the waiting thread
  std::jthread waiter_;
};

// The name of a signal, as "SIGTERM".
const char* signal_name(int signal);

}  // namespace moxa::grade
