#include "shell/dialogs/filter_text.h"

#include <QRegularExpression>
#include <QStringList>

namespace orvane {

QString QtFilterList(const std::string& list) {
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

QString FirstExtensionOfFilter(const QString& filter) {
  // The last parenthesis holds the patterns Qt matches with.
  const int open = filter.lastIndexOf(QLatin1Char('('));
  if (open < 0) return {};
  static const QRegularExpression pattern(QStringLiteral("\\*\\.([A-Za-z0-9]+)"));
  const QRegularExpressionMatch m = pattern.match(filter, open);
  return m.hasMatch() ? m.captured(1) : QString();
}

}  // namespace orvane
