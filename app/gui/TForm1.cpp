#include "app/gui/TForm1.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QUrl>
#include <exception>

#include "app/batch/FolderUtils.h"
#include "app/gui/EventLoopWaiter.h"
#include "app/gui/FolderListFiles.h"
#include "app/gui/TBrowseForFolder.h"
#include "imaging/component/TImager.h"

namespace {

constexpr int GoodQualityIndex = 2;
constexpr int HalfSizeIndex = 1;

// Case-insensitive lookup of a folder in a box's list; -1 when absent.
int FindFolder(const QComboBox* box, const QString& text) {
  for (int i = 0; i < box->count(); ++i) {
    if (box->itemText(i).compare(text, Qt::CaseInsensitive) == 0) {
      return i;
    }
  }
  return -1;
}

void PutOnTop(QComboBox* box) {
  const QString text = box->currentText();
  if (text.isEmpty()) {
    return;
  }
  // Removing and inserting items can replace the edit text; the box must keep what it shows.
  const QSignalBlocker quiet(box);
  if (const int found = FindFolder(box, text); found >= 0) {
    box->removeItem(found);
  }
  box->insertItem(0, text);
  box->setCurrentIndex(0);
}

QStringList Items(const QComboBox* box) {
  QStringList items;
  for (int i = 0; i < box->count(); ++i) {
    items.append(box->itemText(i));
  }
  return items;
}

void ReplaceItems(QComboBox* box, const QStringList& items) {
  const QSignalBlocker quiet(box);
  box->clear();
  box->addItems(items);
  box->setCurrentIndex(-1);
  box->setEditText(QString());
}

}  // namespace

TForm1::TForm1(const QStringList& arguments, const QString& folderListDir, QWidget* parent)
    : QWidget(parent), folderListDir_(folderListDir) {
  CreateControls();
  SetTabOrder();
  BrowseForFolder1 = std::make_unique<TBrowseForFolder>(this);
  BrowseForFolder1->SetNewDialogStyle(true);
  BrowseForFolder1->SetEditBox(false);
  Imager1 = std::make_unique<TImager>();
  Imager1->SetZoomFilter(rfBicubic);
  runWaiter_ = std::make_unique<TEventLoopWaiter>();
  ConnectHandlers();
  // Keyboard preview: F1 is seen whichever control has the focus.
  qApp->installEventFilter(this);
  FormCreate(arguments);
}

TForm1::~TForm1() = default;

void TForm1::ConnectHandlers() {
  connect(Button1, &QPushButton::clicked, this, &TForm1::Button1Click);
  connect(Button2, &QPushButton::clicked, this, &TForm1::Button2Click);
  connect(Button3, &QPushButton::clicked, this, &TForm1::Button3Click);
  connect(Button4, &QPushButton::clicked, this, &TForm1::Button4Click);
  connect(Button5, &QPushButton::clicked, this, &TForm1::Button5Click);
  connect(CheckBox1, &QCheckBox::clicked, this, &TForm1::CheckBox1Click);
  connect(ComboBox1, &QComboBox::editTextChanged, this, &TForm1::ComboBox1Change);
  connect(ComboBox2, &QComboBox::editTextChanged, this, &TForm1::ComboBox2Change);
}

void TForm1::FormCreate(const QStringList& arguments) {
  LoadFolderLists();
  ComboBox3->setCurrentIndex(GoodQualityIndex);
  ComboBox4->setCurrentIndex(HalfSizeIndex);
  if (!arguments.isEmpty() && FolderExists(arguments[0].toStdString())) {
    ComboBox1->setEditText(arguments[0]);
    if (arguments.size() > 1) {
      ComboBox2->setEditText(arguments[1]);
    }
  }
  Button1->setFocus();
}

void TForm1::FormDestroy() {
  try {
    SaveFolderLists();
  } catch (const std::exception& error) {
    ShowMessage(error.what(), mkFailure);
  }
}

void TForm1::closeEvent(QCloseEvent* event) {
  // The window must outlive the run that uses it: the run stops after the photos in progress
  // and the window closes then.
  if (Running()) {
    RequestStop();
    closeAfterRun_ = true;
    event->ignore();
    return;
  }
  FormDestroy();
  event->accept();
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) {
    return false;
  }
  auto* receiver = static_cast<QWidget*>(watched);
  if (receiver->window() != this) {
    return false;
  }
  // A key the focused control leaves alone travels up through its parents as the same event.
  const bool passingUp = event == previewedKey_ && previewedReceiver_ &&
                         receiver != previewedReceiver_ &&
                         receiver->isAncestorOf(previewedReceiver_);
  previewedKey_ = event;
  previewedReceiver_ = receiver;
  if (!passingUp) {
    FormKeyDown(static_cast<QKeyEvent*>(event)->key());
  }
  // Never consumed: the focused control still gets the key.
  return false;
}

void TForm1::FormKeyDown(int key) {
  if (key == Qt::Key_F1) {
    ShowMessage(HelpText().toStdString(), mkInformation);
  }
}

QString TForm1::HelpText() {
  const QStringList lines = {
      "Quillmere - resize and convert your digital photos for free!",
      "",
      "1. Click 1st \"...\" to select a source folder (folder with your photos).",
      "2. Click 2nd \"...\" to select or create new target folder (folder for resized photos).",
      "3. Set new photo size (50% or 800*600 etc.) and click \"Start\" button to resize your "
      "photos.",
      "4. Then you can click 2nd \"->\" button to show resized photos.",
      "",
      "Visit www.quillmere.example to download new versions and other free products."};
  return lines.join("\r\n");
}

void TForm1::Button2Click() {
  BrowseInto(ComboBox1);
}

void TForm1::Button4Click() {
  BrowseInto(ComboBox2);
}

void TForm1::BrowseInto(QComboBox* box) {
  BrowseForFolder1->SetPath(box->currentText());
  if (BrowseForFolder1->Execute()) {
    box->setEditText(BrowseForFolder1->Path());
  }
}

// The desktop's handler decides what opening means; a text naming nothing simply does nothing.
void TForm1::Button3Click() {
  QDesktopServices::openUrl(QUrl::fromLocalFile(ComboBox1->currentText()));
}

void TForm1::Button5Click() {
  QDesktopServices::openUrl(QUrl::fromLocalFile(ComboBox2->currentText()));
}

void TForm1::CheckBox1Click() {
  if (CheckBox1->isChecked()) {
    ComboBox2->setEditText(ComboBox1->currentText());
  }
}

void TForm1::ComboBox1Change() {
  if (CheckBox1->isChecked()) {
    ComboBox2->setEditText(ComboBox1->currentText());
  }
}

void TForm1::ComboBox2Change() {
  if (ComboBox1->currentText().compare(ComboBox2->currentText(), Qt::CaseInsensitive) != 0) {
    CheckBox1->setChecked(false);
  }
}

void TForm1::RememberFolders() {
  PutOnTop(ComboBox1);
  PutOnTop(ComboBox2);
}

void TForm1::LoadFolderLists() {
  ReplaceItems(ComboBox1, LoadFolderList(folderListDir_ + "/slist.dat"));
  ReplaceItems(ComboBox2, LoadFolderList(folderListDir_ + "/tlist.dat"));
}

void TForm1::SaveFolderLists() {
  SaveFolderList(folderListDir_ + "/slist.dat", Items(ComboBox1));
  SaveFolderList(folderListDir_ + "/tlist.dat", Items(ComboBox2));
}
