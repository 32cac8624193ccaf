#include "app/gui/TBrowseForFolder.h"

#include "app/batch/FolderUtils.h"
#include "app/gui/FolderPickerDialog.h"

TBrowseForFolder::TBrowseForFolder(QWidget* owner) : owner_(owner) {}

bool TBrowseForFolder::Execute() {
  FolderPickerDialog dialog(owner_, *this);
  if (dialog.exec() != QDialog::Accepted) {
    return false;
  }
  path_ = dialog.ChosenPath();
  return true;
}

bool TBrowseForFolder::DecideSelection(QWidget* dialog, const QString& path) {
  bool okEnabled = FolderExists(path.toStdString());
  // The handle is forgotten also when a handler throws.
  struct HandleScope {
    QWidget*& slot;
    ~HandleScope() { slot = nullptr; }
  } scope{handle_};
  handle_ = dialog;
  if (OnSelChanged) {
    OnSelChanged(this, path, okEnabled);
  }
  SelChanged(path, okEnabled);
  return okEnabled;
}

void TBrowseForFolder::DecidePosition(int& left, int& top, int width, int height) {
  if (OnSetPosition) {
    OnSetPosition(this, left, top, width, height);
  }
  SetPosition(left, top, width, height);
}

void TBrowseForFolder::SelChanged(const QString&, bool&) {}

void TBrowseForFolder::SetPosition(int&, int&, int, int) {}
