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

  void TheExecutablesFolderIsUsedWhenItCanBeWritten() {
    QTemporaryDir exeDir;
    QTemporaryDir configHome;
    const QString config = configHome.filePath("quillmere");
    QCOMPARE(ChooseFolderListDir(exeDir.path(), config), exeDir.path());
    QVERIFY2(QDir(exeDir.path())
                 .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)
                 .isEmpty(),
             "the write probe must not stay behind");
    QVERIFY(!QFileInfo::exists(config));
  }

  void TheConfigFolderIsCreatedWhenTheExecutablesCannotBeWritten() {
    QTemporaryDir configHome;
    const QString config = configHome.filePath("quillmere");
    const QString unwritable = configHome.filePath("not-a-folder");
    QFile blocker(unwritable);
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QCOMPARE(ChooseFolderListDir(unwritable, config), config);
    QVERIFY(QFileInfo(config).isDir());
  }

  void TheDefaultFolderIsTheRunningExecutablesOwn() {
    QCOMPARE(FolderListDir(), QCoreApplication::applicationDirPath());
  }
};

QTEST_GUILESS_MAIN(FolderListFilesTest)
#include "FolderListFiles_test.moc"
