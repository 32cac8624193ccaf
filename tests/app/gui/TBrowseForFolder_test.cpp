#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QWidget>
#include <QtTest>

#include "GuiTestSupport.h"
#include "app/gui/TBrowseForFolder.h"

namespace {

QFileDialog* AsFileDialog(QWidget* dialog) {
  return qobject_cast<QFileDialog*>(dialog);
}

// What the dialog's Open button does.
void Confirm(QWidget* dialog) {
  qobject_cast<QDialog*>(dialog)->accept();
}

}  // namespace

class TBrowseForFolderTest : public QObject {
  Q_OBJECT

  QTemporaryDir root_;
  QString photos_;
  QString holiday_;

 private slots:
  void initTestCase() {
    QVERIFY(QDir(root_.path()).mkpath("Photos/Holiday"));
    photos_ = root_.filePath("Photos");
    holiday_ = root_.filePath("Photos/Holiday");
  }

  void OpensWithPathSelectedAndReturnsTheConfirmedFolder() {
    QWidget owner;
    TBrowseForFolder browser(&owner);
    browser.SetPath(holiday_ + "/");
    QString shownFolder;
    QStringList shownSelection;
    WhenModalDialogOpens([&](QWidget* dialog) {
      shownFolder = AsFileDialog(dialog)->directory().absolutePath();
      shownSelection = AsFileDialog(dialog)->selectedFiles();
      AsFileDialog(dialog)->selectFile(photos_);
      Confirm(dialog);
    });
    QVERIFY(browser.Execute());
    QCOMPARE(shownFolder, photos_);
    QCOMPARE(shownSelection, QStringList{holiday_});
    QCOMPARE(browser.Path(), photos_);
  }

  void CancelReturnsFalseAndKeepsPath() {
    QWidget owner;
    TBrowseForFolder browser(&owner);
    browser.SetPath(holiday_);
    WhenModalDialogOpens([&](QWidget* dialog) {
      AsFileDialog(dialog)->selectFile(photos_);
      AsFileDialog(dialog)->reject();
    });
    QVERIFY(!browser.Execute());
    QCOMPARE(browser.Path(), holiday_);
  }

  void AFolderThatDoesNotExistCannotBeConfirmed() {
    QWidget owner;
    TBrowseForFolder browser(&owner);
    browser.SetPath(photos_);
    bool stayedOpen = false;
    WhenModalDialogOpens([&](QWidget* dialog) {
      AsFileDialog(dialog)->selectFile(root_.filePath("Photos/Missing"));
      Confirm(dialog);
      stayedOpen = dialog->isVisible();
      AsFileDialog(dialog)->reject();
    });
    QVERIFY(!browser.Execute());
    QVERIFY(stayedOpen);
    QCOMPARE(browser.Path(), photos_);
  }

  void SelChangedDecidesWhatMayBeConfirmedAndSeesTheDialog() {
    QWidget owner;
    TBrowseForFolder browser(&owner);
    browser.SetPath(photos_);
    const QString missing = root_.filePath("Photos/Missing");
    QStringList asked;
    bool handleWhileAsked = true;
    browser.OnSelChanged = [&](TBrowseForFolder* sender, const QString& path, bool& okEnabled) {
      asked.append(path + (okEnabled ? " ok" : " no"));
      handleWhileAsked = handleWhileAsked && sender->Handle() != nullptr;
      okEnabled = path != holiday_;
    };
    bool refusedHoliday = false;
    WhenModalDialogOpens([&](QWidget* dialog) {
      // The toolkit leaves the name box alone while it has the focus, and whether it has it yet
      // depends on when the window system activates the dialog.
      if (auto* nameEdit = dialog->findChild<QLineEdit*>("fileNameEdit"))
        nameEdit->clearFocus();
      AsFileDialog(dialog)->selectFile(holiday_);
      Confirm(dialog);
      refusedHoliday = dialog->isVisible();
      AsFileDialog(dialog)->selectFile(missing);
      Confirm(dialog);
    });
    QVERIFY(browser.Execute());
    QVERIFY(refusedHoliday);
    QCOMPARE(browser.Path(), missing);
    QVERIFY(asked.contains(holiday_ + " ok"));
    QVERIFY(asked.contains(missing + " no"));
    QVERIFY(handleWhileAsked);
    QCOMPARE(browser.Handle(), nullptr);
  }

  void SetPositionIsAskedOnceAndMovesTheDialog() {
    QWidget owner;
    TBrowseForFolder browser(&owner);
    browser.SetPath(photos_);
    int calls = 0;
    QSize offeredSize;
    browser.OnSetPosition = [&](TBrowseForFolder*, int& left, int& top, int width, int height) {
      ++calls;
      offeredSize = QSize(width, height);
      left = 17;
      top = 23;
    };
    QPoint shownAt;
    QSize shownSize;
    WhenModalDialogOpens([&](QWidget* dialog) {
      shownAt = dialog->pos();
      shownSize = dialog->size();
      AsFileDialog(dialog)->reject();
    });
    QVERIFY(!browser.Execute());
    QCOMPARE(calls, 1);
    QCOMPARE(shownAt, QPoint(17, 23));
    QCOMPARE(offeredSize, shownSize);
  }

  void TitleAndEditBoxShapeTheDialog() {
    QWidget owner;
    TBrowseForFolder browser(&owner);
    browser.SetTitle("Pick the photos");
    browser.SetEditBox(false);
    QString caption;
    bool nameBoxReadOnly = false;
    WhenModalDialogOpens([&](QWidget* dialog) {
      caption = dialog->windowTitle();
      auto* nameBox = dialog->findChild<QLineEdit*>("fileNameEdit");
      nameBoxReadOnly = nameBox && nameBox->isReadOnly();
      AsFileDialog(dialog)->reject();
    });
    QVERIFY(!browser.Execute());
    QCOMPARE(caption, QString("Pick the photos"));
    QVERIFY(nameBoxReadOnly);
  }
};

QTEST_MAIN(TBrowseForFolderTest)
#include "TBrowseForFolder_test.moc"
