#include <QDir>
#include <QFile>
#include <QIcon>
#include <QTemporaryDir>
#include <QtTest>

#include "GuiTestSupport.h"
#include "app/gui/ApplicationIcon.h"
#include "app/gui/DesktopArguments.h"

class DesktopStartTest : public QObject {
  Q_OBJECT

 private slots:
  void APhotoOpenedFromTheDesktopBecomesItsFolder() {
    QTemporaryDir dir;
    const QString folder = QDir(dir.path()).canonicalPath();
    const QString photo = folder + "/harbour.jpg";
    QFile file(photo);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    const QString missing = folder + "/gone.jpg";

    const struct {
      QStringList given;
      QStringList expected;
    } cases[] = {
        {{photo}, {folder}},
        {{photo, "/out"}, {folder, "/out"}},
        {{folder, "/out"}, {folder, "/out"}},
        {{missing, "/out"}, {missing, "/out"}},
        {{folder, photo}, {folder, photo}},
        {{}, {}},
    };
    for (const auto& c : cases) {
      QCOMPARE(DesktopArguments(c.given), c.expected);
    }
  }

  // The bitmaps are compiled into a static library; a resource that is not linked in leaves the
  // window without an icon and nothing else says so.
  void TheWindowShowsTheIconInEverySize() {
    QTemporaryDir dir;
    TForm1 form({}, dir.path());
    const QIcon icon = form.windowIcon();
    QVERIFY(!icon.isNull());
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
      QVERIFY2(icon.availableSizes().contains(QSize(size, size)),
               qPrintable(QString::number(size)));
    }
    QCOMPARE(icon.pixmap(QSize(256, 256)).size(), QSize(256, 256));
    QCOMPARE(ApplicationIcon().availableSizes(), icon.availableSizes());
  }
};

QTEST_MAIN(DesktopStartTest)
#include "DesktopStart_test.moc"
