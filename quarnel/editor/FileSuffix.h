// File names chosen in save dialogs: a name typed without a suffix gets the
// one of the kind of file being written, as the file filter shows it.
#pragma once

#include <QFileInfo>
#include <QString>

// `path` with "." and `suffix` added when its file name has no suffix; an
// empty path (a cancelled dialog) stays empty.
inline QString WithSuffix(QString path, const QString& suffix) {
  if (!path.isEmpty() && QFileInfo(path).suffix().isEmpty()) path += QLatin1Char('.') + suffix;
  return path;
}
