#include "shell/help_viewer.h"

#include <QDesktopServices>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace orvane {
namespace {

constexpr int kPollMs = 200;
// An opener that fails does so at once; one still running after this has found a viewer.
constexpr int kPolls = 50;

}  // namespace

HelpViewer::HelpViewer(QObject* parent) : QObject(parent) {
  poll_.setInterval(kPollMs);
  connect(&poll_, &QTimer::timeout, this, [this] { poll(); });
}

bool HelpViewer::show(const QString& path, std::function<void(int)> onFailure) {
  const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
  if (opener.isEmpty()) return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
  auto dir = std::make_unique<QTemporaryDir>();
  if (!dir->isValid()) return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
  const QString status = dir->filePath(QStringLiteral("status"));
  // The status is written whole and then renamed, so that a half-written number is never read.
  const QStringList arguments = {QStringLiteral("-c"), QStringLiteral("\"$0\" \"$1\"; echo $? > \"$2.part\" && mv \"$2.part\" \"$2\""),
                                 opener, path, status};
  if (!QProcess::startDetached(QStringLiteral("/bin/sh"), arguments)) return false;
  statusDir_ = std::move(dir);
  onFailure_ = std::move(onFailure);
  pollsLeft_ = kPolls;
  poll_.start();
  return true;
}

void HelpViewer::poll() {
  QFile file(statusDir_->filePath(QStringLiteral("status")));
  if (!file.open(QIODevice::ReadOnly)) {
    if (--pollsLeft_ <= 0) poll_.stop();
    return;
  }
  poll_.stop();
  bool ok = false;
  const int code = QString::fromLatin1(file.readAll()).trimmed().toInt(&ok);
  if (ok && code != 0 && onFailure_) onFailure_(code);
}

}  // namespace orvane
