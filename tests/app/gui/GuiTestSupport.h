#pragma once

#include <QSize>
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
    TMessageKind kind;
    QString caption;
    QString text;
  };
  std::vector<Message> messages;
  /// Called while a box is "open", before it is answered.
  std::function<void(const Message&)> onMessage;

  void Attach(TForm1& form);
  QStringList Texts() const;
};

/// Writes a small baseline RGB JPEG with libjpeg: a colour gradient of the given size.
void WriteTestJpeg(const QString& path, int width, int height);

/// The size recorded in a JPEG file's frame header; an empty size when it cannot be read.
QSize JpegSize(const QString& path);

/// The bytes of a file, or an empty array when it cannot be read.
QByteArray ReadAll(const QString& path);
