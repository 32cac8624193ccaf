#pragma once

#include <QFileDialog>

class TBrowseForFolder;

/// The directory dialog behind TBrowseForFolder: it asks the component whether the current
/// selection may be confirmed and where to open, and refuses a confirmation the component denies.
class FolderPickerDialog : public QFileDialog {
  Q_OBJECT

 public:
  FolderPickerDialog(QWidget* owner, TBrowseForFolder& component);

  /// The folder the user confirmed; empty before that.
  const QString& ChosenPath() const { return chosenPath_; }

  void accept() override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void Preselect(const QString& path);
  void UpdateOkButton(const QString& path);

  TBrowseForFolder& component_;
  QString chosenPath_;
  bool positioned_ = false;
};
