#include "GuiTestSupport.h"

#include <QApplication>
#include <QFile>
#include <QTimer>
#include <cstdio>
#include <vector>

#include <jpeglib.h>

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
  form.OnMessageBox = [this](TMessageKind kind, const QString& caption, const QString& text) {
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

void WriteTestJpeg(const QString& path, int width, int height) {
  std::FILE* file = std::fopen(path.toUtf8().constData(), "wb");
  if (file == nullptr) {
    return;
  }
  jpeg_compress_struct compress{};
  jpeg_error_mgr errors{};
  compress.err = jpeg_std_error(&errors);
  jpeg_create_compress(&compress);
  jpeg_stdio_dest(&compress, file);
  compress.image_width = static_cast<JDIMENSION>(width);
  compress.image_height = static_cast<JDIMENSION>(height);
  compress.input_components = 3;
  compress.in_color_space = JCS_RGB;
  jpeg_set_defaults(&compress);
  jpeg_start_compress(&compress, TRUE);
  std::vector<JSAMPLE> row(static_cast<std::size_t>(width) * 3);
  while (compress.next_scanline < compress.image_height) {
    const int y = static_cast<int>(compress.next_scanline);
    for (int x = 0; x < width; ++x) {
      row[x * 3] = static_cast<JSAMPLE>(x * 255 / width);
      row[x * 3 + 1] = static_cast<JSAMPLE>(y * 255 / height);
      row[x * 3 + 2] = 128;
    }
    JSAMPROW rows[] = {row.data()};
    jpeg_write_scanlines(&compress, rows, 1);
  }
  jpeg_finish_compress(&compress);
  jpeg_destroy_compress(&compress);
  std::fclose(file);
}

QSize JpegSize(const QString& path) {
  std::FILE* file = std::fopen(path.toUtf8().constData(), "rb");
  if (file == nullptr) {
    return {};
  }
  jpeg_decompress_struct decompress{};
  jpeg_error_mgr errors{};
  decompress.err = jpeg_std_error(&errors);
  jpeg_create_decompress(&decompress);
  jpeg_stdio_src(&decompress, file);
  jpeg_read_header(&decompress, TRUE);
  const QSize size(static_cast<int>(decompress.image_width),
                   static_cast<int>(decompress.image_height));
  jpeg_destroy_decompress(&decompress);
  std::fclose(file);
  return size;
}
