// The desktop clipboard's data on Qt, read and written on the GUI thread.
// Content of other programs arrives through Qt's clipboard conversions.
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <memory>

#include "shell/qt/qt_window_system.h"

namespace rozoru {

bool QtWindowSystem::setClipboard(const std::vector<ClipboardEntry>& formats) {
  return onGui([&formats] {
    QClipboard* cb = QGuiApplication::clipboard();
    if (!cb) return false;
    if (formats.empty()) {
      cb->clear();
      return true;
    }
    // Filled before the clipboard owns it, so that a copy running out of
    // memory (std::bad_alloc, which reaches the caller) leaves nothing behind.
    auto data = std::make_unique<QMimeData>();
    for (const ClipboardEntry& e : formats)
      data->setData(QString::fromStdString(e.mimeType),
                    QByteArray(reinterpret_cast<const char*>(e.bytes.data()), static_cast<qsizetype>(e.bytes.size())));
    cb->setMimeData(data.release());
    return true;
  });
}

std::vector<std::string> QtWindowSystem::clipboardTypes() {
  return onGui([] {
    std::vector<std::string> types;
    const QClipboard* cb = QGuiApplication::clipboard();
    const QMimeData* data = cb ? cb->mimeData() : nullptr;
    if (data)
      for (const QString& f : data->formats()) types.push_back(f.toStdString());
    return types;
  });
}

std::vector<std::uint8_t> QtWindowSystem::clipboardData(const std::string& mimeType) {
  return onGui([&mimeType] {
    const QClipboard* cb = QGuiApplication::clipboard();
    const QMimeData* data = cb ? cb->mimeData() : nullptr;
    if (!data) return std::vector<std::uint8_t>{};
    const QByteArray bytes = data->data(QString::fromStdString(mimeType));
    return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
  });
}

}  // namespace rozoru
