#include "GuiTestSupport.h"

#include <QApplication>
#include <QFile>
#include <QTimer>

void WhenModalDialogOpens(std::function<void(QWidget* dialog)> action) {
  auto* poll = new QTimer;
  poll->setInterval(10);
  QObject::connect(poll, &QTimer::timeout, [poll, action] {
    if (QWidget* dialog = QApplication::activeModalWidget(); dialog && dialog->isVisible()) {
      poll->stop();
      poll->deleteLater();
      action(dialog);
    }
  });
  poll->start();
}

void MessageLog::Attach(TForm1& form) {
  form.OnMessageBox = [this](TForm1::TMessageKind kind, const QString& caption,
                             const QString& text) {
    messages.push_back({kind, caption, text});
    if (onMessage) {
      onMessage(messages.back());
    }
  };
}

QStringList MessageLog::Texts() const {
  QStringList texts;
  for (const Message& message : messages) {
    texts.append(message.text);
  }
  return texts;
}

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
