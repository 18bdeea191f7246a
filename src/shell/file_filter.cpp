#include "shell/file_filter.h"

#include <QDateTime>
#include <QFileDialog>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLocale>
#include <QGuiApplication>
#include <QScreen>
#include <QStringList>
#include <QTreeView>

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
  // The detail list: size, type and date as wide as their usual texts, the name the rest.
  auto* list = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
  if (list == nullptr) return;
  QHeaderView* header = list->header();
  if (header->count() < 4) return;
  const QFontMetrics metrics(list->font());
  const QString date =
      QLocale::system().toString(QDateTime(QDate(2026, 12, 28), QTime(23, 59)), QLocale::ShortFormat);
  const int pad = 2 * metrics.averageCharWidth() + 8;
  header->setStretchLastSection(false);
  header->setSectionResizeMode(0, QHeaderView::Stretch);
  header->resizeSection(1, metrics.horizontalAdvance(QStringLiteral("1023.9 MiB")) + pad);
  header->resizeSection(2, metrics.horizontalAdvance(QStringLiteral("JPEG image")) + 2 * pad);
  header->resizeSection(3, metrics.horizontalAdvance(date) + pad);
}

}  // namespace orvane
