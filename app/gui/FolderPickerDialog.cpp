#include "app/gui/FolderPickerDialog.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>

#include "app/gui/TBrowseForFolder.h"

FolderPickerDialog::FolderPickerDialog(QWidget* owner, TBrowseForFolder& component)
    : QFileDialog(owner), component_(component) {
  // The toolkit's native dialog would bypass the selection and position hooks.
  setOption(QFileDialog::DontUseNativeDialog);
  setOption(QFileDialog::ShowDirsOnly);
  setFileMode(QFileDialog::Directory);
  setAcceptMode(QFileDialog::AcceptOpen);
  if (!component.Title().isEmpty()) {
    setWindowTitle(component.Title());
  }
  if (!component.StatusText().isEmpty() && !component.NewDialogStyle()) {
    setLabelText(QFileDialog::FileName, component.StatusText());
  }
  if (auto* nameEdit = findChild<QLineEdit*>("fileNameEdit"); nameEdit && !component.EditBox()) {
    nameEdit->setReadOnly(true);
  }
  Preselect(component.Path());
  connect(this, &QFileDialog::currentChanged, this, &FolderPickerDialog::UpdateOkButton);
}

void FolderPickerDialog::Preselect(const QString& path) {
  const QFileInfo folder(QDir::cleanPath(path));
  if (path.isEmpty() || !folder.isDir()) {
    setDirectory(QDir::homePath());
    return;
  }
  if (folder.isRoot()) {
    setDirectory(folder.absoluteFilePath());
    return;
  }
  setDirectory(folder.absolutePath());
  selectFile(folder.absoluteFilePath());
}

void FolderPickerDialog::UpdateOkButton(const QString& path) {
  const bool okEnabled = component_.DecideSelection(this, path);
  if (auto* buttons = findChild<QDialogButtonBox*>("buttonBox")) {
    if (QPushButton* open = buttons->button(QDialogButtonBox::Open)) {
      open->setEnabled(okEnabled);
    }
  }
}

void FolderPickerDialog::accept() {
  const QStringList selected = selectedFiles();
  const QString path = selected.isEmpty() ? directory().absolutePath() : selected.first();
  // The toolkit re-enables its button as the name box changes, so the decision is made again here.
  if (!component_.DecideSelection(this, path)) {
    return;
  }
  chosenPath_ = path;
  QDialog::accept();
}

void FolderPickerDialog::showEvent(QShowEvent* event) {
  QFileDialog::showEvent(event);
  if (positioned_) {
    return;
  }
  positioned_ = true;
  if (!component_.NewDialogStyle()) {
    setFixedSize(size());
  }
  int left = x();
  int top = y();
  component_.DecidePosition(left, top, width(), height());
  if (left != x() || top != y()) {
    move(left, top);
  }
}
