#include "shell/quit_signals.h"

#include <QSocketNotifier>

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

namespace orvane {
namespace {

constexpr int kSignals[] = {SIGTERM, SIGHUP, SIGINT};
int gWake[2] = {-1, -1};
volatile sig_atomic_t gReceived = 0;

// Only async-signal-safe calls: a byte to the event loop, or, the second time, the default
// action of the signal.
void OnQuitSignal(int signal) {
  const sig_atomic_t before = gReceived;
  gReceived = before + 1;
  if (before > 0) {
    ::signal(signal, SIG_DFL);
    ::raise(signal);
    return;
  }
  const char byte = 1;
  [[maybe_unused]] const ssize_t n = ::write(gWake[1], &byte, 1);
}

}  // namespace

QuitSignals::QuitSignals(std::function<void()> quit, QObject* parent)
    : QObject(parent), quit_(std::move(quit)) {
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, gWake) != 0) return;
  ::fcntl(gWake[1], F_SETFL, O_NONBLOCK);
  notifier_ = new QSocketNotifier(gWake[0], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, [this] {
    char byte = 0;
    [[maybe_unused]] const ssize_t n = ::read(gWake[0], &byte, 1);
    notifier_->setEnabled(false);
    if (quit_) quit_();
  });
  struct sigaction action {};
  action.sa_handler = OnQuitSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (const int s : kSignals) ::sigaction(s, &action, nullptr);
}

QuitSignals::~QuitSignals() {
  struct sigaction action {};
  action.sa_handler = SIG_DFL;
  sigemptyset(&action.sa_mask);
  for (const int s : kSignals) ::sigaction(s, &action, nullptr);
  delete notifier_;
  notifier_ = nullptr;
  for (int& fd : gWake) {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
}

}  // namespace orvane
