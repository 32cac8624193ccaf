#include <QApplication>
#include <cstdio>
#include <cstring>

#include "app/gui/ApplicationIcon.h"
#include "app/gui/DesktopArguments.h"
#include "app/gui/FolderListFiles.h"
#include "app/gui/TForm1.h"

namespace {

constexpr const char* kUsage =
    "Usage: quillmere [SOURCE [TARGET]]\n"
    "\n"
    "Opens the window that resizes and converts a folder of photos, with SOURCE (a folder, or a\n"
    "photo in it) and TARGET filled in. See quillmere-cli --help for the same in a terminal.\n";

}  // namespace

int main(int argc, char* argv[]) {
  // Answered before the toolkit starts, so that they work where there is no display.
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::printf("quillmere %s\n", QM_VERSION);
    return 0;
  }
  if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  QApplication application(argc, argv);
  // No display name: the toolkit would append it to the window's caption.
  QApplication::setApplicationName(TForm1::ApplicationTitle);
  QApplication::setDesktopFileName(QM_APP_ID);
  QApplication::setWindowIcon(ApplicationIcon());
  TForm1 form(DesktopArguments(QApplication::arguments().mid(1)), FolderListDir());
  form.show();
  return QApplication::exec();
}
