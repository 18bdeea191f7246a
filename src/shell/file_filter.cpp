#include "shell/file_filter.h"

#include <QStringList>

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

}  // namespace orvane
