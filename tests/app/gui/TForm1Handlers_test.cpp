#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "GuiTestSupport.h"
#include "app/gui/TForm1.h"

namespace {

QStringList ItemsOf(const QComboBox* box) {
  QStringList items;
  for (int i = 0; i < box->count(); ++i) {
    items.append(box->itemText(i));
  }
  return items;
}

void TypeInto(QComboBox* box, const QString& text) {
  box->lineEdit()->selectAll();
  QTest::keyClick(box->lineEdit(), Qt::Key_Delete);
  QTest::keyClicks(box->lineEdit(), text);
}

// Counts the key presses that reach a control after the window has seen them.
struct KeyCounter : QObject {
  int f1Presses = 0;
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_F1) {
      ++f1Presses;
    }
    return false;
  }
};

}  // namespace

class OpenedUrls : public QObject {
  Q_OBJECT

 public:
  QList<QUrl> urls;

 public slots:
  void Open(const QUrl& url) { urls.append(url); }
};

class TForm1HandlersTest : public QObject {
  Q_OBJECT

  QTemporaryDir scratch_;
  QString photos_;

  std::unique_ptr<TForm1> MakeForm(const QStringList& arguments, const QString& listDir) {
    return std::make_unique<TForm1>(arguments, listDir);
  }

 private slots:
  void initTestCase() {
    QVERIFY(QDir(scratch_.path()).mkpath("Photos/Holiday"));
    photos_ = scratch_.filePath("Photos");
  }

  void CommandLineSetsTheFoldersOnlyWithAnExistingSource() {
    QTemporaryDir lists;
    SaveFolderListsOf(lists.path(), {"/remembered/source"}, {"/remembered/target"});
    auto both = MakeForm({photos_, "/any/target"}, lists.path());
    QCOMPARE(both->ComboBox1->currentText(), photos_);
    QCOMPARE(both->ComboBox2->currentText(), QString("/any/target"));

    auto sourceOnly = MakeForm({photos_}, lists.path());
    QCOMPARE(sourceOnly->ComboBox1->currentText(), photos_);
    QVERIFY(sourceOnly->ComboBox2->currentText().isEmpty());

    const QString aFile = scratch_.filePath("Photos.txt");
    QFile(aFile).open(QIODevice::WriteOnly);
    for (const QString& notAFolder : {scratch_.filePath("Missing"), aFile, QString()}) {
      auto ignored = MakeForm({notAFolder, "/any/target"}, lists.path());
      QVERIFY(ignored->ComboBox1->currentText().isEmpty());
      QVERIFY(ignored->ComboBox2->currentText().isEmpty());
      QCOMPARE(ItemsOf(ignored->ComboBox1), QStringList{"/remembered/source"});
      QCOMPARE(ItemsOf(ignored->ComboBox2), QStringList{"/remembered/target"});
    }
  }

  void TargetEqualsSourceMirrorsTheSourceUntilTheTargetDiffers() {
    QTemporaryDir lists;
    auto form = MakeForm({}, lists.path());
    TypeInto(form->ComboBox1, "/photos/2024");
    TypeInto(form->ComboBox2, "/elsewhere");
    QTest::mouseClick(form->CheckBox1, Qt::LeftButton);
    QVERIFY(form->CheckBox1->isChecked());
    QCOMPARE(form->ComboBox2->currentText(), QString("/photos/2024"));

    TypeInto(form->ComboBox1, "/photos/2025");
    QCOMPARE(form->ComboBox2->currentText(), QString("/photos/2025"));
    QVERIFY(form->CheckBox1->isChecked());

    form->ComboBox2->setEditText("/PHOTOS/2025");
    QVERIFY2(form->CheckBox1->isChecked(), "the same folder in other letter case keeps the tick");
    TypeInto(form->ComboBox2, "/photos/2025/small");
    QVERIFY(!form->CheckBox1->isChecked());
    TypeInto(form->ComboBox1, "/photos/2026");
    QCOMPARE(form->ComboBox2->currentText(), QString("/photos/2025/small"));

    QTest::mouseClick(form->CheckBox1, Qt::LeftButton);
    QTest::mouseClick(form->CheckBox1, Qt::LeftButton);
    QVERIFY(!form->CheckBox1->isChecked());
    QCOMPARE(form->ComboBox2->currentText(), QString("/photos/2026"));
  }

  void RememberFoldersPutsEachTextOnTopOnceWhateverItsCase() {
    QTemporaryDir lists;
    auto form = MakeForm({}, lists.path());
    form->ComboBox1->setEditText("c:\\photos");
    form->ComboBox2->setEditText("/out");
    form->RememberFolders();
    form->ComboBox1->setEditText("/second");
    form->ComboBox2->setEditText("");
    form->RememberFolders();
    form->ComboBox1->setEditText("C:\\Photos");
    form->RememberFolders();
    QCOMPARE(ItemsOf(form->ComboBox1), QStringList({"C:\\Photos", "/second"}));
    QCOMPARE(form->ComboBox1->currentText(), QString("C:\\Photos"));
    QCOMPARE(ItemsOf(form->ComboBox2), QStringList{"/out"});
    QVERIFY2(form->ComboBox2->currentText().isEmpty(), "an empty box is skipped and stays empty");
  }

  void ListFilesAreWrittenAtCloseAndReadAtTheNextStart() {
    QTemporaryDir lists;
    auto first = MakeForm({}, lists.path());
    first->close();
    QCOMPARE(ReadAll(lists.filePath("slist.dat")), QByteArray());
    QVERIFY2(QFile::exists(lists.filePath("tlist.dat")), "written even without a run");

    auto second = MakeForm({}, lists.path());
    second->ComboBox1->setEditText("/photos/a");
    second->ComboBox2->setEditText("/out/a");
    second->RememberFolders();
    second->ComboBox1->setEditText("/photos/b");
    second->RememberFolders();
    second->close();
    QCOMPARE(ReadAll(lists.filePath("slist.dat")), QByteArray("/photos/b\r\n/photos/a\r\n"));
    QCOMPARE(ReadAll(lists.filePath("tlist.dat")), QByteArray("/out/a\r\n"));

    auto third = MakeForm({}, lists.path());
    QCOMPARE(ItemsOf(third->ComboBox1), QStringList({"/photos/b", "/photos/a"}));
    QCOMPARE(ItemsOf(third->ComboBox2), QStringList{"/out/a"});
    QVERIFY2(third->ComboBox1->currentText().isEmpty(), "loading the list sets no text");
  }

  void AListFileThatCannotBeWrittenIsReportedWithItsName() {
    const QString gone = scratch_.filePath("lists-removed");
    QVERIFY(QDir().mkpath(gone));
    auto form = MakeForm({}, gone);
    MessageLog log;
    log.Attach(*form);
    QVERIFY(QDir(gone).removeRecursively());
    form->close();
    QCOMPARE(log.messages.size(), std::size_t{1});
    QCOMPARE(log.messages[0].kind, mkFailure);
    QCOMPARE(log.messages[0].caption, QString("Quillmere"));
    QCOMPARE(log.messages[0].text, "Cannot create file " + gone + "/slist.dat");
  }

  void F1ShowsTheHelpOnceAndTheControlStillGetsTheKey() {
    QTemporaryDir lists;
    auto form = MakeForm({}, lists.path());
    MessageLog log;
    log.Attach(*form);
    KeyCounter edit1Keys;
    form->Edit1->installEventFilter(&edit1Keys);
    QTest::keyClick(form->Edit1, Qt::Key_F1);
    QTest::keyClick(form->ComboBox1->lineEdit(), Qt::Key_F1, Qt::ShiftModifier);
    QTest::keyClick(form->Edit1, Qt::Key_A);
    QCOMPARE(log.messages.size(), std::size_t{2});
    QCOMPARE(edit1Keys.f1Presses, 1);
    QCOMPARE(log.messages[0].kind, mkInformation);
    QCOMPARE(log.messages[0].caption, QString("Quillmere"));
    const QStringList lines = log.messages[0].text.split("\r\n");
    QCOMPARE(lines.size(), 8);
    QCOMPARE(lines[0], QString("Quillmere - resize and convert your digital photos for free!"));
    QCOMPARE(lines[1], QString());
    QCOMPARE(lines[2],
             QString("1. Click 1st \"...\" to select a source folder (folder with your photos)."));
    QCOMPARE(lines[3], QString("2. Click 2nd \"...\" to select or create new target folder "
                               "(folder for resized photos)."));
    QCOMPARE(lines[4], QString("3. Set new photo size (50% or 800*600 etc.) and click \"Start\" "
                               "button to resize your photos."));
    QCOMPARE(lines[5], QString("4. Then you can click 2nd \"->\" button to show resized photos."));
    QCOMPARE(lines[6], QString());
    QVERIFY(lines[7].contains("download new versions and other free products"));
    QCOMPARE(log.messages[1].text, log.messages[0].text);
  }

  void BrowseButtonsPutTheChosenFolderIntoTheirBox() {
    QTemporaryDir lists;
    auto form = MakeForm({photos_}, lists.path());
    QString preselected;
    WhenModalDialogOpens([&](QWidget* dialog) {
      preselected = qobject_cast<QFileDialog*>(dialog)->selectedFiles().value(0);
      qobject_cast<QFileDialog*>(dialog)->selectFile(photos_ + "/Holiday");
      qobject_cast<QDialog*>(dialog)->accept();
    });
    QTest::mouseClick(form->Button2, Qt::LeftButton);
    QCOMPARE(preselected, photos_);
    QCOMPARE(form->ComboBox1->currentText(), photos_ + "/Holiday");

    form->ComboBox2->setEditText("/typed/target");
    WhenModalDialogOpens([&](QWidget* dialog) { qobject_cast<QDialog*>(dialog)->reject(); });
    QTest::mouseClick(form->Button4, Qt::LeftButton);
    QCOMPARE(form->ComboBox2->currentText(), QString("/typed/target"));
  }

  void OpenButtonsHandTheFolderToTheDesktop() {
    QTemporaryDir lists;
    auto form = MakeForm({photos_, "/not/there"}, lists.path());
    OpenedUrls opened;
    QDesktopServices::setUrlHandler("file", &opened, "Open");
    QTest::mouseClick(form->Button3, Qt::LeftButton);
    QTest::mouseClick(form->Button5, Qt::LeftButton);
    QDesktopServices::unsetUrlHandler("file");
    QCOMPARE(opened.urls,
             QList<QUrl>({QUrl::fromLocalFile(photos_), QUrl::fromLocalFile("/not/there")}));
  }

 private:
  static void SaveFolderListsOf(const QString& dir, const QStringList& sources,
                                const QStringList& targets) {
    TForm1 form({}, dir);
    form.ComboBox1->addItems(sources);
    form.ComboBox2->addItems(targets);
    form.SaveFolderLists();
  }
};

QTEST_MAIN(TForm1HandlersTest)
#include "TForm1Handlers_test.moc"
