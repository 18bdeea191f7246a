// The desktop program and the signals that ask a program to end (SIGTERM from the session or a
// service manager, SIGHUP when its terminal goes, Ctrl-C in the terminal it was started from).
// The first is handled like the window's close box, so placement, layout, recent files and the
// other settings are written as at any ordinary exit; a second one ends the program at once.
#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

namespace orvane {

class QuitSignals : public QObject {
  Q_OBJECT
 public:
  // quit is called on the event loop when the first signal arrives.
  explicit QuitSignals(std::function<void()> quit, QObject* parent = nullptr);
  ~QuitSignals() override;

 private:
  std::function<void()> quit_;
  QSocketNotifier* notifier_ = nullptr;
};

}  // namespace orvane
