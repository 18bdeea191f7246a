#include "shell/file_filter.h"

#include <QFileDialog>
#include <QGuiApplication>
#include <QScreen>
#include <QStringList>

#include "app/dialog_rules.h"

namespace orvane {

QString QtFileFilter(const std::string& list) {
  const QStringList parts = QString::fromStdString(list).split(QLatin1Char('|'));
  QStringList filters;
  for (int i = 0; i + 1 < parts.size() && !parts[i].isEmpty(); i += 2) {
    QStringList patterns;
    for (const QString& p : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
      patterns << p;
      if (p != p.toUpper()) patterns << p.toUpper();
    }
    filters << parts[i] + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
  }
  return filters.join(QStringLiteral(";;"));
}

void SizeFileDialog(QFileDialog& dialog) {
  const QWidget* parent = dialog.parentWidget();
  const QScreen* screen = parent != nullptr ? parent->screen() : QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  const QRect work = screen->availableGeometry();
  const DialogSize size = FileDialogSize(work.width(), work.height());
  dialog.resize(size.width, size.height);
}

}  // namespace orvane
