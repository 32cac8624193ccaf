#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <stdexcept>

#include "GuiTestSupport.h"
#include "app/gui/FolderListFiles.h"

class FolderListFilesTest : public QObject {
  Q_OBJECT

 private slots:
  void SavedListHasOneFolderPerCrLfLine() {
    QTemporaryDir dir;
    const QString path = dir.filePath("slist.dat");
    SaveFolderList(path, {"/home/ann/Photos", "/media/card/DCIM 100", "/tmp/Ünïcode"});
    QCOMPARE(ReadAll(path), QByteArray("/home/ann/Photos\r\n/media/card/DCIM 100\r\n/tmp/") +
                                QString("Ünïcode").toUtf8() + "\r\n");
    QCOMPARE(LoadFolderList(path),
             QStringList({"/home/ann/Photos", "/media/card/DCIM 100", "/tmp/Ünïcode"}));
  }

  void SavingReplacesTheFileAndAnEmptyListWritesAnEmptyFile() {
    QTemporaryDir dir;
    const QString path = dir.filePath("tlist.dat");
    SaveFolderList(path, {"/a", "/b", "/c"});
    SaveFolderList(path, {"/d"});
    QCOMPARE(ReadAll(path), QByteArray("/d\r\n"));
    SaveFolderList(path, {});
    QVERIFY(QFile::exists(path));
    QCOMPARE(ReadAll(path), QByteArray());
  }

  void LoadingReadsLfLinesAndALastLineWithoutEnd() {
    QTemporaryDir dir;
    const QString path = dir.filePath("slist.dat");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("/one\n/two\r\n/three");
    file.close();
    QCOMPARE(LoadFolderList(path), QStringList({"/one", "/two", "/three"}));
  }

  void AMissingFileLoadsAsAnEmptyList() {
    QTemporaryDir dir;
    QVERIFY(LoadFolderList(dir.filePath("slist.dat")).isEmpty());
  }

  void AFileThatCannotBeCreatedRaisesWithItsName() {
    QTemporaryDir dir;
    const QString path = dir.filePath("no-such-folder/slist.dat");
    try {
      SaveFolderList(path, {"/a"});
      QFAIL("no error raised");
    } catch (const std::runtime_error& error) {
      QCOMPARE(QString(error.what()), "Cannot create file " + path);
    }
  }

  void TheListsStayBesideAnExecutableRunWhereItWasBuilt_data() {
    QTest::addColumn<bool>("writable");
    QTest::addColumn<bool>("installed");
    QTest::addColumn<bool>("inConfig");
    QTest::newRow("build folder") << true << false << false;
    QTest::newRow("build folder that cannot be written") << false << false << true;
    // Installed programs run as root could write to /usr/bin; they must not.
    QTest::newRow("installed, even where it could write") << true << true << true;
  }

  void TheListsStayBesideAnExecutableRunWhereItWasBuilt() {
    QFETCH(bool, writable);
    QFETCH(bool, installed);
    QFETCH(bool, inConfig);
    QTemporaryDir prefix;
    const QString exeDir = prefix.filePath("bin");
    const QString marker = "../share/applications/quillmere.desktop";
    const QString config = prefix.filePath("config/quillmere");
    if (writable) {
      QVERIFY(QDir().mkpath(exeDir));
    } else {
      QFile blocker(exeDir);
      QVERIFY(blocker.open(QIODevice::WriteOnly));
    }
    if (installed) {
      QVERIFY(QDir().mkpath(prefix.filePath("share/applications")));
      QFile entry(prefix.filePath("share/applications/quillmere.desktop"));
      QVERIFY(entry.open(QIODevice::WriteOnly));
    }

    QCOMPARE(ChooseFolderListDir(exeDir, marker, config), inConfig ? config : exeDir);
    QCOMPARE(QFileInfo(config).isDir(), inConfig);
    if (writable) {
      QVERIFY2(
          QDir(exeDir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).isEmpty(),
          "nothing may stay behind in the executable's folder");
    }
  }

  void TheDefaultFolderIsTheRunningExecutablesOwn() {
    QCOMPARE(FolderListDir(), QCoreApplication::applicationDirPath());
  }
};

QTEST_GUILESS_MAIN(FolderListFilesTest)
#include "FolderListFiles_test.moc"
