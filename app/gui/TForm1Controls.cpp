// The window's layout: every control at its pixel position, with its texts and defaults.

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>

#include "app/gui/ApplicationIcon.h"
#include "app/gui/TForm1.h"

namespace {

constexpr int ClientWidth = 434;
constexpr int ClientHeight = 360;
constexpr int LabelHeight = 13;
constexpr int CheckBoxHeight = 17;
constexpr int BoxHeight = 21;
constexpr int StatusBarHeight = 19;

// Labels and check boxes are as wide as the room up to their right-hand neighbour, so that a
// text that does not fit shows in the layout test rather than running into that neighbour.
QLabel* AddLabel(QWidget* parent, const QString& text, int left, int top, int room) {
  auto* label = new QLabel(text, parent);
  label->setGeometry(left, top, room, LabelHeight);
  return label;
}

QCheckBox* AddCheckBox(QWidget* parent, const QString& text, int left, int top, int room) {
  auto* box = new QCheckBox(text, parent);
  box->setGeometry(left, top, room, CheckBoxHeight);
  return box;
}

QComboBox* AddComboBox(QWidget* parent, int left, int top, int width, bool editable) {
  auto* box = new QComboBox(parent);
  box->setEditable(editable);
  // Only RememberFolders adds to the folder lists; Enter in the box must not.
  box->setInsertPolicy(QComboBox::NoInsert);
  box->setGeometry(left, top, width, BoxHeight);
  return box;
}

QLineEdit* AddSizeEdit(QWidget* parent, const QString& text, int left, int top) {
  auto* edit = new QLineEdit(text, parent);
  edit->setMaxLength(4);
  edit->setGeometry(left, top, 41, BoxHeight);
  return edit;
}

QPushButton* AddFolderButton(QWidget* parent, const QString& caption, const QString& hint, int left,
                             int top) {
  auto* button = new QPushButton(caption, parent);
  button->setToolTip(hint);
  button->setGeometry(left, top, 25, 21);
  return button;
}

QStringList ItemTexts(const char* const* items, int count) {
  QStringList texts;
  for (int i = 0; i < count; ++i) {
    texts.append(QString::fromUtf8(items[i]));
  }
  return texts;
}

}  // namespace

void TForm1::CreateControls() {
  setWindowTitle("Quillmere 1.0 (freeware)");
  // Message boxes owned by the window take its icon as well.
  setWindowIcon(ApplicationIcon());
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  move(192, 114);
  setFixedSize(ClientWidth, ClientHeight);
  // The layout was drawn for an 8-point font 11 pixels high; the desktop's wider default font
  // makes captions run into their neighbours. Pixels rather than points keep text and layout in
  // step on screens of any density.
  QFont narrow;
  narrow.setFamilies({"DejaVu Sans Condensed", "Nimbus Sans Narrow", "Nimbus Sans"});
  narrow.setPixelSize(11);
  setFont(narrow);

  CreateSettingsControls();
  CreateEffectsControls();
  CreatePhotosControls();

  ProgressBar1 = new QProgressBar(this);
  ProgressBar1->setGeometry(16, 308, 305, 17);
  ProgressBar1->setRange(0, 100);
  ProgressBar1->setValue(0);
  ProgressBar1->setTextVisible(false);

  Button1 = new QPushButton("Start", this);
  Button1->setGeometry(344, 304, 75, 25);

  StatusBar1 = new QStatusBar(this);
  StatusBar1->setSizeGripEnabled(false);
  StatusBar1->setGeometry(0, ClientHeight - StatusBarHeight, ClientWidth, StatusBarHeight);
  // A panel of its own, because the status bar's temporary message is wiped by status tips.
  statusLabel_ = new QLabel("Welcome to Quillmere! Press F1 for help.");
  StatusBar1->addWidget(statusLabel_, 1);
}

void TForm1::CreateSettingsControls() {
  GroupBox1 = new QGroupBox("Settings", this);
  GroupBox1->setGeometry(8, 8, 225, 137);
  Label3 = AddLabel(GroupBox1, "Quality", 16, 36, 48);
  ComboBox3 = AddComboBox(GroupBox1, 64, 32, 146, false);
  ComboBox3->addItems(ItemTexts(QualityItems, QualityCount));
  Label4 = AddLabel(GroupBox1, "Size", 16, 68, 48);
  ComboBox4 = AddComboBox(GroupBox1, 64, 64, 146, false);
  ComboBox4->addItems(ItemTexts(SizeItems, SizeCount));
  Label6 = AddLabel(GroupBox1, "custom:", 64, 100, 44);
  Edit1 = AddSizeEdit(GroupBox1, "450", 108, 96);
  Label5 = AddLabel(GroupBox1, "X", 155, 100, 13);
  Edit2 = AddSizeEdit(GroupBox1, "370", 168, 96);
}

void TForm1::CreateEffectsControls() {
  GroupBox3 = new QGroupBox("Effects", this);
  GroupBox3->setGeometry(240, 8, 185, 137);
  CheckBox3 = AddCheckBox(GroupBox3, "Gray scale", 16, 32, 80);
  // A single '&' would mark a mnemonic; doubled it shows as one ampersand.
  CheckBox4 = AddCheckBox(GroupBox3, "Black&&white", 96, 32, 86);
  CheckBox5 = AddCheckBox(GroupBox3, "Equalizer", 16, 64, 80);
  CheckBox6 = AddCheckBox(GroupBox3, "Blur", 96, 64, 86);
  CheckBox7 = AddCheckBox(GroupBox3, "Wallis filter", 16, 96, 80);
  CheckBox8 = AddCheckBox(GroupBox3, "Negative", 96, 96, 86);
}

void TForm1::CreatePhotosControls() {
  GroupBox2 = new QGroupBox("Photos", this);
  GroupBox2->setGeometry(8, 152, 417, 137);
  Label1 = AddLabel(GroupBox2, "Source folder", 16, 36, 80);
  ComboBox1 = AddComboBox(GroupBox2, 96, 32, 233, true);
  Button2 = AddFolderButton(GroupBox2, "...", "Browse for folder", 336, 32);
  Button3 = AddFolderButton(GroupBox2, "->", "Open folder", 368, 32);
  Label2 = AddLabel(GroupBox2, "Target folder", 16, 76, 80);
  ComboBox2 = AddComboBox(GroupBox2, 96, 72, 233, true);
  Button4 = AddFolderButton(GroupBox2, "...", "Browse for folder", 336, 72);
  Button5 = AddFolderButton(GroupBox2, "->", "Open folder", 368, 72);
  CheckBox1 = AddCheckBox(GroupBox2, "Target = Source", 96, 104, 120);
  CheckBox2 = AddCheckBox(GroupBox2, "Include subfolders", 216, 104, 193);
}

void TForm1::SetTabOrder() {
  QWidget* const order[] = {ComboBox3, ComboBox4, Edit1,     Edit2,        CheckBox3,
                            CheckBox4, CheckBox5, CheckBox6, CheckBox7,    CheckBox8,
                            ComboBox1, Button2,   Button3,   ComboBox2,    Button4,
                            Button5,   CheckBox1, CheckBox2, ProgressBar1, Button1};
  for (std::size_t i = 1; i < std::size(order); ++i) {
    setTabOrder(order[i - 1], order[i]);
  }
}
