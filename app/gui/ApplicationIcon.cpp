#include "app/gui/ApplicationIcon.h"

#include <QString>

QIcon ApplicationIcon() {
  // The bitmaps are rendered from the icon's drawing at build time and compiled in, so that a
  // program run from its build folder shows the same icon as an installed one.
  QIcon icon;
  for (const int size : {QM_ICON_SIZES}) {
    icon.addFile(QString(":/icons/%1x%1/quillmere.png").arg(size));
  }
  return icon;
}
