#include "app/gui/DesktopArguments.h"

#include <QFileInfo>

QStringList DesktopArguments(const QStringList& arguments) {
  QStringList result = arguments;
  if (!result.isEmpty()) {
    const QFileInfo first(result.first());
    if (first.isFile()) {
      result.first() = first.absolutePath();
    }
  }
  return result;
}
