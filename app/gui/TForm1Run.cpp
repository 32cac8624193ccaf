// The window's side of a batch run: the host operations the run calls, and Start/Stop.

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>

#include "app/batch/Button1Click.h"
#include "app/batch/WindowRun.h"
#include "app/gui/EventLoopWaiter.h"
#include "app/gui/TForm1.h"

void TForm1::Button1Click() {
  if (runState_ == TRunState::Running) {
    RequestStop();
    return;
  }
  if (runState_ == TRunState::Idle) {
    RunBatch();
  }
}

void TForm1::RunBatch() {
  runState_ = TRunState::Running;
  const TBatchResult result = RunOnEveryCore(*this, *runWaiter_);
  runState_ = TRunState::Idle;
  Button1->setText("Start");
  EnableFolderControls(true);
  if (result.Outcome == boFinished && !result.Damaged.empty()) {
    // The closing message keeps its wording; the count of damaged sources stays in view after it.
    const std::size_t count = result.Damaged.size();
    SetStatusText(count == 1
                      ? "1 photo was converted from a damaged source."
                      : std::to_string(count) + " photos were converted from damaged sources.");
  }
  if (closeAfterRun_) {
    closeAfterRun_ = false;
    close();
  }
}

void TForm1::RequestStop() {
  runState_ = TRunState::Stopping;
  runWaiter_->Wake();
}

void TForm1::EnableFolderControls(bool enabled) {
  for (QWidget* control : std::initializer_list<QWidget*>{ComboBox1, Button2, Button3, ComboBox2,
                                                          Button4, Button5, CheckBox1, CheckBox2}) {
    control->setEnabled(enabled);
  }
}

ConversionSettings TForm1::Settings() {
  ConversionSettings settings;
  settings.SourceFolder = ComboBox1->currentText().toStdString();
  settings.TargetFolder = ComboBox2->currentText().toStdString();
  settings.IncludeSubfolders = CheckBox2->isChecked();
  settings.QualityIndex = ComboBox3->currentIndex();
  settings.SizeIndex = ComboBox4->currentIndex();
  settings.CustomWidthText = Edit1->text().toStdString();
  settings.CustomHeightText = Edit2->text().toStdString();
  settings.SaveGrayScale = CheckBox3->isChecked();
  settings.ApplyBlackWhite = CheckBox4->isChecked();
  settings.ApplyEqualize = CheckBox5->isChecked();
  settings.ApplyBlur = CheckBox6->isChecked();
  settings.ApplyWallis = CheckBox7->isChecked();
  settings.ApplyNegative = CheckBox8->isChecked();
  return settings;
}

// The run sets the maximum once, after the folders passed its checks: from here on the run is
// going. Switching earlier would disable the folder box that a failed check gives the focus to.
void TForm1::SetProgressMaximum(int maximum) {
  ProgressBar1->setMaximum(maximum);
  EnableFolderControls(false);
  Button1->setText("Stop");
}

void TForm1::SetProgressPosition(int position) {
  ProgressBar1->setValue(position);
}

QString TForm1::StatusText() const {
  return statusLabel_->text();
}

void TForm1::SetStatusText(const std::string& text) {
  statusLabel_->setText(QString::fromStdString(text));
}

void TForm1::ShowMessage(const std::string& text, TMessageKind kind) {
  const QString caption = kind == mkError ? QString("Error") : QString(ApplicationTitle);
  const QString message = QString::fromStdString(text);
  if (OnMessageBox) {
    OnMessageBox(kind, caption, message);
    return;
  }
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  if (kind == mkWarning) {
    icon = QMessageBox::Warning;
  } else if (kind == mkError || kind == mkFailure) {
    icon = QMessageBox::Critical;
  }
  QMessageBox box(icon, caption, message, QMessageBox::Ok, this);
  box.exec();
}

void TForm1::ProcessPendingEvents() {
  QCoreApplication::processEvents();
}

bool TForm1::StopRequested() {
  return runState_ == TRunState::Stopping;
}

void TForm1::FocusSourceFolder() {
  ComboBox1->setFocus();
}

void TForm1::FocusTargetFolder() {
  ComboBox2->setFocus();
}
