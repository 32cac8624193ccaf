#pragma once

#include <QObject>
#include <QString>
#include <functional>

class QWidget;

/// Lets the user pick a folder in a modal dialog, with Path preselected. Only a folder that exists
/// can be confirmed, unless OnSelChanged decides otherwise.
class TBrowseForFolder : public QObject {
  Q_OBJECT

 public:
  using TSelChangedEvent =
      std::function<void(TBrowseForFolder* sender, const QString& path, bool& okEnabled)>;
  using TSetPositionEvent =
      std::function<void(TBrowseForFolder* sender, int& left, int& top, int width, int height)>;

  /// The dialog is modal to owner and centred on it.
  explicit TBrowseForFolder(QWidget* owner);

  /// On entry the folder to preselect; after a successful Execute the chosen folder.
  const QString& Path() const { return path_; }
  void SetPath(const QString& path) { path_ = path; }
  /// Shown in the dialog's status line, with the old dialog style only.
  const QString& StatusText() const { return statusText_; }
  void SetStatusText(const QString& text) { statusText_ = text; }
  /// The dialog's caption; the toolkit's own when empty.
  const QString& Title() const { return title_; }
  void SetTitle(const QString& title) { title_ = title; }
  /// The new style may be resized; the old one keeps its opening size.
  bool NewDialogStyle() const { return newDialogStyle_; }
  void SetNewDialogStyle(bool on) { newDialogStyle_ = on; }
  /// Whether the user may type a folder name; otherwise the name box only shows the selection.
  bool EditBox() const { return editBox_; }
  void SetEditBox(bool on) { editBox_ = on; }

  /// The dialog while OnSelChanged runs, else null.
  QWidget* Handle() const { return handle_; }

  /// Called whenever the selection changes and when the user confirms; okEnabled comes in as
  /// "the path is an existing folder" and decides whether the choice may be confirmed.
  TSelChangedEvent OnSelChanged;
  /// Called once when the dialog opens; changing left or top moves it there.
  TSetPositionEvent OnSetPosition;

  /// Shows the dialog; true with Path set to the chosen folder, false on cancel (Path unchanged).
  bool Execute();

  /// The dialog's hooks; they run the events and then the overridable operations below.
  bool DecideSelection(QWidget* dialog, const QString& path);
  void DecidePosition(int& left, int& top, int width, int height);

 protected:
  /// For descendants; each runs right after its event and does nothing here.
  virtual void SelChanged(const QString& path, bool& okEnabled);
  virtual void SetPosition(int& left, int& top, int width, int height);

 private:
  QWidget* owner_;
  QString path_;
  QString statusText_;
  QString title_;
  bool newDialogStyle_ = false;
  bool editBox_ = false;
  QWidget* handle_ = nullptr;
};
