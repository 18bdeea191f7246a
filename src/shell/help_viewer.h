// Hands the help file to the desktop's opener (xdg-open) and tells when it could not show it.
// The opener runs detached: it may stay until the browser it starts is closed, and a child of
// ours would be ended with the program. Its exit status comes back through a file.
#pragma once

#include <QObject>
#include <QString>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>

namespace orvane {

class HelpViewer : public QObject {
 public:
  explicit HelpViewer(QObject* parent = nullptr);

  // False when no opener could be started at all. Otherwise onFailure(exit code) is called
  // once if the opener ends without success within a few seconds.
  bool show(const QString& path, std::function<void(int)> onFailure);

 private:
  void poll();

  std::unique_ptr<QTemporaryDir> statusDir_;
  std::function<void(int)> onFailure_;
  QTimer poll_;
  int pollsLeft_ = 0;
};

}  // namespace orvane
