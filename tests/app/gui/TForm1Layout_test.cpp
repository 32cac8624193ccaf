#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QTemporaryDir>
#include <QtTest>

#include "GuiTestSupport.h"
#include "app/gui/TForm1.h"

namespace {

QString TextOf(const QWidget* control) {
  if (auto* label = qobject_cast<const QLabel*>(control)) {
    return label->text();
  }
  if (auto* button = qobject_cast<const QAbstractButton*>(control)) {
    return button->text();
  }
  if (auto* group = qobject_cast<const QGroupBox*>(control)) {
    return group->title();
  }
  return {};
}

QStringList ItemsOf(const QComboBox* box) {
  QStringList items;
  for (int i = 0; i < box->count(); ++i) {
    items.append(box->itemText(i));
  }
  return items;
}

// Room for text inside a control as the style draws it.
int TextRoom(QWidget* control) {
  if (auto* box = qobject_cast<QComboBox*>(control)) {
    QStyleOptionComboBox option;
    option.initFrom(box);
    option.editable = box->isEditable();
    return box->style()
        ->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, box)
        .width();
  }
  if (auto* button = qobject_cast<QPushButton*>(control)) {
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    return button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button).width();
  }
  if (auto* check = qobject_cast<QCheckBox*>(control)) {
    QStyleOptionButton option;
    option.initFrom(check);
    option.text = check->text();
    return check->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, check).width();
  }
  if (auto* edit = qobject_cast<QLineEdit*>(control)) {
    return edit->contentsRect().width() - 4;
  }
  return control->contentsRect().width();
}

}  // namespace

class TForm1LayoutTest : public QObject {
  Q_OBJECT

  QTemporaryDir lists_;
  std::unique_ptr<TForm1> form_;

 private slots:
  void init() { form_ = std::make_unique<TForm1>(QStringList(), lists_.path()); }
  void cleanup() { form_.reset(); }

  void WindowIsFixedWithMinimiseButNoMaximise() {
    QCOMPARE(form_->windowTitle(), QString("Quillmere 1.0 (freeware)"));
    QCOMPARE(form_->size(), QSize(434, 360));
    QCOMPARE(form_->minimumSize(), QSize(434, 360));
    QCOMPARE(form_->maximumSize(), QSize(434, 360));
    QCOMPARE(form_->pos(), QPoint(192, 114));
    const Qt::WindowFlags flags = form_->windowFlags();
    QVERIFY(flags.testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(flags.testFlag(Qt::WindowSystemMenuHint));
    QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
    QCOMPARE(QString(TForm1::ApplicationTitle), QString("Quillmere"));
  }

  void ControlsSitWhereTheLayoutPutsThem() {
    TForm1& f = *form_;
    struct Expected {
      QWidget* control;
      QWidget* parent;
      QRect geometry;
      QString text;
    };
    // Labels and check boxes have no size of their own in the layout; only where they start.
    const Expected expected[] = {
        {f.GroupBox1, &f, {8, 8, 225, 137}, "Settings"},
        {f.Label3, f.GroupBox1, {16, 36, 0, 0}, "Quality"},
        {f.ComboBox3, f.GroupBox1, {64, 32, 146, 21}, ""},
        {f.Label4, f.GroupBox1, {16, 68, 0, 0}, "Size"},
        {f.ComboBox4, f.GroupBox1, {64, 64, 146, 21}, ""},
        {f.Label6, f.GroupBox1, {64, 100, 0, 0}, "custom:"},
        {f.Edit1, f.GroupBox1, {108, 96, 41, 21}, ""},
        {f.Label5, f.GroupBox1, {155, 100, 0, 0}, "X"},
        {f.Edit2, f.GroupBox1, {168, 96, 41, 21}, ""},
        {f.GroupBox3, &f, {240, 8, 185, 137}, "Effects"},
        {f.CheckBox3, f.GroupBox3, {16, 32, 0, 0}, "Gray scale"},
        {f.CheckBox4, f.GroupBox3, {96, 32, 0, 0}, "Black&&white"},
        {f.CheckBox5, f.GroupBox3, {16, 64, 0, 0}, "Equalizer"},
        {f.CheckBox6, f.GroupBox3, {96, 64, 0, 0}, "Blur"},
        {f.CheckBox7, f.GroupBox3, {16, 96, 0, 0}, "Wallis filter"},
        {f.CheckBox8, f.GroupBox3, {96, 96, 0, 0}, "Negative"},
        {f.GroupBox2, &f, {8, 152, 417, 137}, "Photos"},
        {f.Label1, f.GroupBox2, {16, 36, 0, 0}, "Source folder"},
        {f.ComboBox1, f.GroupBox2, {96, 32, 233, 21}, ""},
        {f.Button2, f.GroupBox2, {336, 32, 25, 21}, "..."},
        {f.Button3, f.GroupBox2, {368, 32, 25, 21}, "->"},
        {f.Label2, f.GroupBox2, {16, 76, 0, 0}, "Target folder"},
        {f.ComboBox2, f.GroupBox2, {96, 72, 233, 21}, ""},
        {f.Button4, f.GroupBox2, {336, 72, 25, 21}, "..."},
        {f.Button5, f.GroupBox2, {368, 72, 25, 21}, "->"},
        {f.CheckBox1, f.GroupBox2, {96, 104, 0, 0}, "Target = Source"},
        {f.CheckBox2, f.GroupBox2, {216, 104, 0, 0}, "Include subfolders"},
        {f.ProgressBar1, &f, {16, 308, 305, 17}, ""},
        {f.Button1, &f, {344, 304, 75, 25}, "Start"},
        {f.StatusBar1, &f, {0, 341, 434, 19}, ""},
    };
    for (const Expected& e : expected) {
      const QString name = e.text.isEmpty() ? e.control->metaObject()->className() : e.text;
      QVERIFY2(e.control->parentWidget() == e.parent, qPrintable(name));
      QCOMPARE(e.control->pos(), e.geometry.topLeft());
      if (e.geometry.width() > 0) {
        QCOMPARE(e.control->size(), e.geometry.size());
      }
      QCOMPARE(TextOf(e.control), e.text);
    }
    QCOMPARE(f.Button2->toolTip(), QString("Browse for folder"));
    QCOMPARE(f.Button4->toolTip(), QString("Browse for folder"));
    QCOMPARE(f.Button3->toolTip(), QString("Open folder"));
    QCOMPARE(f.Button5->toolTip(), QString("Open folder"));
  }

  void ListsHoldTheirItemsAndOnlyTheFolderBoxesTakeFreeText() {
    QCOMPARE(ItemsOf(form_->ComboBox3), QStringList({"Best (large file size)", "Very good", "Good",
                                                     "Medium", "Low (small file size)"}));
    QCOMPARE(ItemsOf(form_->ComboBox4),
             QStringList({"100%", "50%", "25%", "10%", "Custom", "1600 X 1200", "1280 X 1024",
                          "1024 X 768", "800 X 600", "640*480"}));
    QVERIFY(!form_->ComboBox3->isEditable());
    QVERIFY(!form_->ComboBox4->isEditable());
    QVERIFY(form_->ComboBox1->isEditable());
    QVERIFY(form_->ComboBox2->isEditable());
  }

  void StartsWithTheDefaults() {
    TForm1& f = *form_;
    QCOMPARE(f.ComboBox3->currentText(), QString("Good"));
    QCOMPARE(f.ComboBox4->currentText(), QString("50%"));
    QCOMPARE(f.Edit1->text(), QString("450"));
    QCOMPARE(f.Edit2->text(), QString("370"));
    for (QCheckBox* box : f.findChildren<QCheckBox*>()) {
      QVERIFY2(!box->isChecked(), qPrintable(box->text()));
    }
    QCOMPARE(f.StatusText(), QString("Welcome to Quillmere! Press F1 for help."));
    QCOMPARE(f.ProgressBar1->minimum(), 0);
    QCOMPARE(f.ProgressBar1->maximum(), 100);
    QCOMPARE(f.ProgressBar1->value(), 0);
    QCOMPARE(f.focusWidget(), f.Button1);
    QVERIFY(f.ComboBox1->currentText().isEmpty());
    QVERIFY(f.ComboBox2->currentText().isEmpty());
  }

  void CustomSizeEditsTakeAtMostFourCharacters() {
    for (QLineEdit* edit : {form_->Edit1, form_->Edit2}) {
      edit->clear();
      QTest::keyClicks(edit, "123456");
      QCOMPARE(edit->text(), QString("1234"));
    }
  }

  void TabGoesThroughTheControlsInOrder() {
    TForm1& f = *form_;
    const QList<QWidget*> expected = {
        f.ComboBox3, f.ComboBox4, f.Edit1,     f.Edit2,     f.CheckBox3, f.CheckBox4, f.CheckBox5,
        f.CheckBox6, f.CheckBox7, f.CheckBox8, f.ComboBox1, f.Button2,   f.Button3,   f.ComboBox2,
        f.Button4,   f.Button5,   f.CheckBox1, f.CheckBox2, f.Button1};
    QList<QWidget*> chain;
    QWidget* widget = f.ComboBox3;
    do {
      if (widget->focusPolicy() & Qt::TabFocus && widget->isEnabled() && widget->window() == &f &&
          widget != &f && !widget->isHidden() && !widget->parentWidget()->inherits("QComboBox")) {
        chain.append(widget);
      }
      widget = widget->nextInFocusChain();
    } while (widget != f.ComboBox3);
    QCOMPARE(chain, expected);
  }

  void EveryTextFitsItsRoomAndNoControlOverlapsAnother() {
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    for (QWidget* control : form_->findChildren<QWidget*>()) {
      const QFontMetrics metrics = control->fontMetrics();
      QStringList texts = {QString(TextOf(control)).replace("&&", "&")};
      if (auto* box = qobject_cast<QComboBox*>(control)) {
        texts = ItemsOf(box);
      }
      if (qobject_cast<QLineEdit*>(control) && !control->parentWidget()->inherits("QComboBox")) {
        texts = {"8888"};
      }
      if (qobject_cast<QGroupBox*>(control)) {
        continue;  // the title is checked against the box's width below
      }
      for (const QString& text : texts) {
        QVERIFY2(metrics.horizontalAdvance(text) <= TextRoom(control),
                 qPrintable(QString("%1 is %2 pixels wide, its room %3")
                                .arg(text)
                                .arg(metrics.horizontalAdvance(text))
                                .arg(TextRoom(control))));
      }
      if (qobject_cast<QLabel*>(control)) {
        QVERIFY2(metrics.height() <= control->height(), qPrintable(TextOf(control)));
      }
    }
    for (QGroupBox* group : form_->findChildren<QGroupBox*>()) {
      QVERIFY(group->fontMetrics().horizontalAdvance(group->title()) < group->width() / 2);
    }
    for (QWidget* parent :
         {static_cast<QWidget*>(form_.get()), static_cast<QWidget*>(form_->GroupBox1),
          static_cast<QWidget*>(form_->GroupBox2), static_cast<QWidget*>(form_->GroupBox3)}) {
      const QList<QWidget*> siblings = parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
      for (int i = 0; i < siblings.size(); ++i) {
        for (int j = i + 1; j < siblings.size(); ++j) {
          if (siblings[i]->isVisible() && siblings[j]->isVisible()) {
            QVERIFY2(!siblings[i]->geometry().intersects(siblings[j]->geometry()),
                     qPrintable(TextOf(siblings[i]) + " overlaps " + TextOf(siblings[j])));
          }
        }
      }
    }
  }

  void TheWindowFontIsANarrowEightPointSans() {
    const QFontInfo info(form_->font());
    QCOMPARE(info.pixelSize(), 11);
    QVERIFY2(info.family().startsWith("DejaVu Sans") || info.family().startsWith("Nimbus Sans"),
             qPrintable(info.family()));
    // The desktop's default width makes "Wallis filter" run into "Negative": the narrow font must
    // make that text clearly narrower than the regular cut of the same size.
    QFont regular("DejaVu Sans");
    regular.setPixelSize(11);
    QVERIFY(form_->fontMetrics().horizontalAdvance("Wallis filter") <
            QFontMetrics(regular).horizontalAdvance("Wallis filter"));
  }
};

QTEST_MAIN(TForm1LayoutTest)
#include "TForm1Layout_test.moc"
