#include "plenkor/window/FileFilters.h"

#include <QStringList>

QString QtFilter(const QString& filter) {
  const QStringList parts = filter.split('|', Qt::SkipEmptyParts);
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    const QString& description = parts[i];
    QString patterns = parts[i + 1];
    patterns.replace(';', ' ');
    if (description.endsWith("(" + patterns + ")")) {
      filters << description;
    } else {
      filters << description + " (" + (patterns == "*.*" ? QString("*") : patterns) + ")";
    }
  }
  return filters.join(";;");
}
