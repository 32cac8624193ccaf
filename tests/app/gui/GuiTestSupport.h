#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

#include "app/gui/TForm1.h"

class QWidget;

/// Runs action on the modal dialog that the code under test is about to open, as soon as the
/// dialog's own event loop shows it.
void WhenModalDialogOpens(std::function<void(QWidget* dialog)> action);

/// Answers every message box of a window and keeps what it was asked.
struct MessageLog {
  struct Message {
    TForm1::TMessageKind kind;
    QString caption;
    QString text;
  };
  std::vector<Message> messages;
  /// Called while a box is "open", before it is answered.
  std::function<void(const Message&)> onMessage;

  void Attach(TForm1& form);
  QStringList Texts() const;
};

/// The bytes of a file, or an empty array when it cannot be read.
QByteArray ReadAll(const QString& path);
