#include <QApplication>

#include "app/gui/FolderListFiles.h"
#include "app/gui/TForm1.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  // No display name: the toolkit would append it to the window's caption.
  QApplication::setApplicationName(TForm1::ApplicationTitle);
  TForm1 form(QApplication::arguments().mid(1), FolderListDir());
  form.show();
  return QApplication::exec();
}
