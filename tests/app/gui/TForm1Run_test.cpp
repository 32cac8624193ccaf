#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QtTest>
#include <cmath>

#include "GuiTestSupport.h"
#include "app/batch/Button1Click.h"
#include "app/gui/TForm1.h"

namespace {

struct Snapshot {
  QString status;
  int position;
  int maximum;
  QString startCaption;
  bool folderControlsEnabled;
};

Snapshot Take(TForm1& form) {
  bool enabled = true;
  for (QWidget* control : std::initializer_list<QWidget*>{
           form.ComboBox1, form.Button2, form.Button3, form.ComboBox2, form.Button4, form.Button5,
           form.CheckBox1, form.CheckBox2}) {
    enabled = enabled && control->isEnabled();
  }
  return {form.StatusText(), form.ProgressBar1->value(), form.ProgressBar1->maximum(),
          form.Button1->text(), enabled};
}

// Takes a snapshot each time the window lets events through during a run.
class RunWatcher : public QObject {
 public:
  explicit RunWatcher(TForm1& form) : form_(form) {
    connect(&timer_, &QTimer::timeout, this, [this] {
      if (form_.Running()) {
        snapshots.push_back(Take(form_));
        if (onYield) {
          onYield(snapshots.size());
        }
      }
    });
    // A short interval: the run's waits are event loops of their own, which a timer of no
    // interval would keep spinning.
    timer_.start(2);
  }
  std::vector<Snapshot> snapshots;
  std::function<void(std::size_t yields)> onYield;

 private:
  TForm1& form_;
  QTimer timer_;
};

bool HasFocus(TForm1& form, QWidget* control) {
  QWidget* focused = form.focusWidget();
  return focused == control || control->isAncestorOf(focused);
}

}  // namespace

class TForm1RunTest : public QObject {
  Q_OBJECT

  QTemporaryDir lists_;

  std::unique_ptr<TForm1> MakeForm(const QString& source, const QString& target) {
    auto form = std::make_unique<TForm1>(QStringList(), lists_.path());
    form->ComboBox1->setEditText(source);
    form->ComboBox2->setEditText(target);
    return form;
  }

  static QString MakePhotos(const QTemporaryDir& dir, int count, int width = 64, int height = 48) {
    const QString source = dir.filePath("photos");
    QDir().mkpath(source);
    for (int i = 0; i < count; ++i) {
      WriteTestJpeg(QString("%1/photo%2.jpg").arg(source).arg(i), width, height);
    }
    return source;
  }

  // Enough photos, large enough, that the run is still converting when the window first
  // processes events, whatever the number of cores.
  static int PhotosOutlastingTheFirstEvents() { return 4 * QThread::idealThreadCount() + 2; }

  // Every photo the target holds is whole: a stopped run finishes the photos it began.
  static void ExpectWholeHalves(const QString& target, int total) {
    const QStringList written = QDir(target).entryList(QDir::Files);
    QVERIFY2(written.size() < total, qPrintable(QString::number(written.size())));
    for (const QString& name : written) {
      QCOMPARE(JpegSize(target + "/" + name), QSize(320, 240));
    }
  }

 private slots:
  void AMissingSourceIsReportedAndGetsTheFocus() {
    QTemporaryDir dir;
    auto form = MakeForm(dir.filePath("missing"), dir.filePath("out"));
    MessageLog log;
    log.Attach(*form);
    form->Button1->setFocus();
    form->Button1Click();
    QCOMPARE(log.Texts(), QStringList{"Source folder not found"});
    QCOMPARE(log.messages[0].kind, mkError);
    QCOMPARE(log.messages[0].caption, QString("Error"));
    QVERIFY(HasFocus(*form, form->ComboBox1));
    QCOMPARE(form->ComboBox1->count(), 0);
    QCOMPARE(form->ProgressBar1->maximum(), 100);
    QCOMPARE(form->StatusText(), QString("Welcome to Quillmere! Press F1 for help."));
    QVERIFY(Take(*form).folderControlsEnabled);
    QVERIFY(!QFileInfo::exists(dir.filePath("out")));
  }

  void AnEmptyTargetIsReportedAndGetsTheFocus() {
    QTemporaryDir dir;
    auto form = MakeForm(MakePhotos(dir, 1), "");
    MessageLog log;
    log.Attach(*form);
    form->Button1->setFocus();
    form->Button1Click();
    QCOMPARE(log.Texts(), QStringList{"Please specify target folder"});
    QCOMPARE(log.messages[0].kind, mkError);
    QVERIFY(HasFocus(*form, form->ComboBox2));
    QCOMPARE(form->ComboBox1->count(), 0);
    QCOMPARE(form->Button1->text(), QString("Start"));
  }

  void AWholeRunConvertsThePhotosAndReportsEveryStep() {
    QTemporaryDir dir;
    const QString source = MakePhotos(dir, 2);
    QFile notes(source + "/notes.txt");
    QVERIFY(notes.open(QIODevice::WriteOnly));
    notes.close();
    const QString target = dir.filePath("out/resized");
    auto form = MakeForm(source, target);
    MessageLog log;
    log.Attach(*form);
    Snapshot atClosingMessage{};
    log.onMessage = [&](const MessageLog::Message&) { atClosingMessage = Take(*form); };
    RunWatcher watcher(*form);

    QTest::mouseClick(form->Button1, Qt::LeftButton);

    QCOMPARE(log.Texts(), QStringList{"OK! Process successfully finished."});
    QCOMPARE(log.messages[0].kind, mkInformation);
    QCOMPARE(log.messages[0].caption, QString("Quillmere"));
    QCOMPARE(atClosingMessage.status, QString());
    QCOMPARE(atClosingMessage.maximum, 3);
    QCOMPARE(atClosingMessage.startCaption, QString("Stop"));
    QVERIFY(!atClosingMessage.folderControlsEnabled);

    int lastPosition = 0;
    for (const Snapshot& step : watcher.snapshots) {
      QVERIFY(step.position >= lastPosition);
      lastPosition = step.position;
      const long percent = std::lrint(step.position * 100.0 / 3);
      QCOMPARE(step.status, step.position == 0 ? QString("Process is started. Please wait ...")
                                               : QString("Conversion: %1%.").arg(percent));
      QVERIFY(!step.folderControlsEnabled);
    }

    QCOMPARE(JpegSize(target + "/photo0.jpg"), QSize(32, 24));
    QCOMPARE(JpegSize(target + "/photo1.jpg"), QSize(32, 24));
    QVERIFY(!QFileInfo::exists(target + "/notes.jpg"));
    const Snapshot after = Take(*form);
    QCOMPARE(after.status, QString());
    QCOMPARE(after.position, 0);
    QCOMPARE(after.maximum, 3);
    QCOMPARE(after.startCaption, QString("Start"));
    QVERIFY(after.folderControlsEnabled);
    QCOMPARE(form->ComboBox1->itemText(0), source);
    QCOMPARE(form->ComboBox2->itemText(0), target);
  }

  void BadClaimsAreNamedAndADamagedSourceIsCountedInTheStatusLine() {
    QTemporaryDir dir;
    const QString source = MakePhotos(dir, 2);
    // Headers alone claiming 20000 and 60000 pixels square, and a photo cut in half.
    for (const int side : {20000, 60000}) {
      QByteArray header(54, '\0');
      auto put32 = [&](int at, quint32 value) {
        for (int i = 0; i < 4; ++i)
          header[at + i] = static_cast<char>(value >> (8 * i));
      };
      header[0] = 'B';
      header[1] = 'M';
      put32(2, 54);
      put32(10, 54);
      put32(14, 40);
      put32(18, static_cast<quint32>(side));
      put32(22, static_cast<quint32>(side));
      header[26] = 1;
      header[28] = 24;
      QFile claim(QString("%1/claims-%2.bmp").arg(source).arg(side));
      QVERIFY(claim.open(QIODevice::WriteOnly));
      claim.write(header);
    }
    WriteTestJpeg(source + "/cut.jpg", 640, 480);
    QFile cut(source + "/cut.jpg");
    QVERIFY(cut.resize(cut.size() / 2));
    const QString target = dir.filePath("out");
    auto form = MakeForm(source, target);
    MessageLog log;
    log.Attach(*form);

    form->Button1Click();

    QCOMPARE(log.messages.size(), std::size_t{1});
    QCOMPARE(log.messages[0].kind, mkWarning);
    QVERIFY(
        log.messages[0].text.startsWith("Process finished. 2 of 5 photos could not be converted:"));
    QVERIFY(log.messages[0].text.contains(source + "/claims-20000.bmp"));
    QVERIFY(log.messages[0].text.contains(source + "/claims-60000.bmp"));
    QCOMPARE(QDir(target).entryList(QDir::Files).size(), 3);
    QCOMPARE(JpegSize(target + "/cut.jpg"), QSize(320, 240));
    QCOMPARE(form->StatusText(), QString("1 photo was converted from a damaged source."));
  }

  // The photos are converted away from the window's thread: it keeps taking events while the
  // first photo is still under way.
  void TheWindowRespondsWhileAPhotoIsConverted() {
    QTemporaryDir dir;
    const QString source = MakePhotos(dir, 1, 1600, 1200);
    auto form = MakeForm(source, dir.filePath("out"));
    MessageLog log;
    log.Attach(*form);
    RunWatcher watcher(*form);
    form->Button1Click();
    QCOMPARE(log.Texts(), QStringList{"OK! Process successfully finished."});
    QVERIFY(!watcher.snapshots.empty());
    QCOMPARE(watcher.snapshots.front().position, 0);
    QCOMPARE(watcher.snapshots.front().startCaption, QString("Stop"));
  }

  void StopEndsTheRunAfterThePhotosInProgress() {
    QTemporaryDir dir;
    const int total = PhotosOutlastingTheFirstEvents();
    const QString source = MakePhotos(dir, total, 640, 480);
    const QString target = dir.filePath("out");
    auto form = MakeForm(source, target);
    MessageLog log;
    log.Attach(*form);
    RunWatcher watcher(*form);
    watcher.onYield = [&](std::size_t yields) {
      if (yields == 1) {
        QTest::mouseClick(form->Button1, Qt::LeftButton);
      }
    };
    QTest::mouseClick(form->Button1, Qt::LeftButton);

    QVERIFY2(log.messages.empty(), qPrintable(log.Texts().join('|')));
    ExpectWholeHalves(target, total);
    const Snapshot after = Take(*form);
    QCOMPARE(after.status, QString(kStoppedText));
    QCOMPARE(after.position, 0);
    QCOMPARE(after.startCaption, QString("Start"));
    QVERIFY(after.folderControlsEnabled);

    log.onMessage = nullptr;
    watcher.onYield = nullptr;
    form->Button1Click();
    QCOMPARE(log.Texts(), QStringList{"OK! Process successfully finished."});
    QCOMPARE(QDir(target).entryList(QDir::Files).size(), total);
  }

  void ClosingTheWindowStopsTheRunAndClosesAfterIt() {
    QTemporaryDir dir;
    const int total = PhotosOutlastingTheFirstEvents();
    const QString source = MakePhotos(dir, total, 640, 480);
    const QString target = dir.filePath("out");
    auto form = MakeForm(source, target);
    form->show();
    MessageLog log;
    log.Attach(*form);
    RunWatcher watcher(*form);
    bool openAfterClose = false;
    watcher.onYield = [&](std::size_t yields) {
      if (yields == 1) {
        form->close();
        openAfterClose = form->isVisible();
      }
    };
    form->Button1Click();
    QVERIFY2(openAfterClose, "the window stays until the photos in progress are done");
    QVERIFY(!form->isVisible());
    QVERIFY(log.messages.empty());
    ExpectWholeHalves(target, total);
    QCOMPARE(ReadAll(lists_.filePath("slist.dat")), source.toUtf8() + "\r\n");
  }

  void AnErrorEndsTheRunWithItsOwnMessage() {
    QTemporaryDir dir;
    const QString source = MakePhotos(dir, 2);
    QFile blocker(dir.filePath("blocker"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    auto form = MakeForm(source, dir.filePath("blocker/out"));
    MessageLog log;
    log.Attach(*form);
    form->Button1Click();
    QCOMPARE(log.messages.size(), std::size_t{1});
    QCOMPARE(log.messages[0].kind, mkFailure);
    QVERIFY2(log.messages[0].text.startsWith("Cannot create file"), qPrintable(log.Texts()[0]));
    const Snapshot after = Take(*form);
    QCOMPARE(after.status, QString("Process is started. Please wait ..."));
    QCOMPARE(after.maximum, 2);
    QCOMPARE(after.position, 0);
    QCOMPARE(after.startCaption, QString("Start"));
    QVERIFY(after.folderControlsEnabled);
  }
};

QTEST_MAIN(TForm1RunTest)
#include "TForm1Run_test.moc"
