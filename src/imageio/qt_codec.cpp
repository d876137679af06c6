#include "imageio/qt_codec.h"

#include <gif_lib.h>

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QFileSystemModel>
#include <algorithm>
#include <cstring>

#include "imageio/image_file.h"
#include "shell/core/shell.h"
#include "shell/qt/framework.h"
#include "shell/qt/qt_window_system.h"

namespace rozoru::imageio {

namespace {

QImage toQImage(const EncodeSource& s) {
  if (s.rgb) {
    QImage img(s.width, s.height, QImage::Format_RGB888);
    if (img.isNull()) return img;
    for (int y = 0; y < s.height; ++y) {
      uchar* out = img.scanLine(y);
      const std::uint32_t* in = s.rgb + static_cast<std::ptrdiff_t>(y) * s.width;
      for (int x = 0; x < s.width; ++x) {
        out[3 * x] = static_cast<uchar>(in[x] >> 16);
        out[3 * x + 1] = static_cast<uchar>(in[x] >> 8);
        out[3 * x + 2] = static_cast<uchar>(in[x]);
      }
    }
    return img;
  }
  QImage img(s.width, s.height, QImage::Format_Indexed8);
  if (img.isNull()) return img;
  QList<QRgb> table(256);
  for (int i = 0; i < 256; ++i) table[i] = 0xFF000000u | (s.palette[i] & 0x00FFFFFFu);
  img.setColorTable(table);
  for (int y = 0; y < s.height; ++y)
    std::memcpy(img.scanLine(y), s.indices + static_cast<std::ptrdiff_t>(y) * s.stride, static_cast<std::size_t>(s.width));
  if (s.dotsPerMeter > 0) {
    img.setDotsPerMeterX(s.dotsPerMeter);
    img.setDotsPerMeterY(s.dotsPerMeter);
  }
  return img;
}

bool writeQt(const std::string& path, const EncodeSource& s, const char* format) {
  const QImage img = toQImage(s);
  if (img.isNull()) return false;
  QImageWriter writer(QString::fromStdString(path), format);
  if (std::strcmp(format, "jpeg") == 0) writer.setQuality(std::clamp(s.quality, 0, 100));
  return writer.write(img);
}

bool writeBmp(const std::string& path, const EncodeSource& s) { return writeQt(path, s, "bmp"); }
bool writeJpeg(const std::string& path, const EncodeSource& s) { return writeQt(path, s, "jpeg"); }
bool writePng(const std::string& path, const EncodeSource& s) { return writeQt(path, s, "png"); }
bool writeTiff(const std::string& path, const EncodeSource& s) { return writeQt(path, s, "tiff"); }

// GIF holds at most 256 colours: 8-bit images keep their table, 32-bit
// pictures are quantised.
bool writeGif(const std::string& path, const EncodeSource& s) {
  const std::size_t n = static_cast<std::size_t>(s.width) * static_cast<std::size_t>(s.height);
  std::vector<GifByteType> indices(n);
  std::vector<GifColorType> colors(256);
  int colorCount = 256;
  if (s.rgb) {
    std::vector<GifByteType> r(n), g(n), b(n);
    for (std::size_t i = 0; i < n; ++i) {
      r[i] = static_cast<GifByteType>(s.rgb[i] >> 16);
      g[i] = static_cast<GifByteType>(s.rgb[i] >> 8);
      b[i] = static_cast<GifByteType>(s.rgb[i]);
    }
    if (GifQuantizeBuffer(static_cast<unsigned>(s.width), static_cast<unsigned>(s.height), &colorCount, r.data(),
                          g.data(), b.data(), indices.data(), colors.data()) == GIF_ERROR)
      return false;
  } else {
    for (int y = 0; y < s.height; ++y)
      std::memcpy(indices.data() + static_cast<std::ptrdiff_t>(y) * s.width,
                  s.indices + static_cast<std::ptrdiff_t>(y) * s.stride, static_cast<std::size_t>(s.width));
    for (int i = 0; i < 256; ++i)
      colors[static_cast<std::size_t>(i)] = GifColorType{static_cast<GifByteType>(s.palette[i] >> 16),
                                                         static_cast<GifByteType>(s.palette[i] >> 8),
                                                         static_cast<GifByteType>(s.palette[i])};
  }
  int error = 0;
  GifFileType* gif = EGifOpenFileName(path.c_str(), false, &error);
  if (!gif) return false;
  // The map must have a power-of-two size; unused entries stay black.
  colors.resize(256);
  ColorMapObject* map = GifMakeMapObject(256, colors.data());
  bool ok = map && EGifPutScreenDesc(gif, s.width, s.height, 8, 0, map) == GIF_OK &&
            EGifPutImageDesc(gif, 0, 0, s.width, s.height, false, nullptr) == GIF_OK;
  for (int y = 0; ok && y < s.height; ++y)
    ok = EGifPutLine(gif, indices.data() + static_cast<std::ptrdiff_t>(y) * s.width, s.width) == GIF_OK;
  if (map) GifFreeMapObject(map);
  if (EGifCloseFile(gif, &error) != GIF_OK) ok = false;
  return ok;
}

class QtCodec final : public Codec {
 public:
  std::optional<Picture> decode(const std::string& path) override {
    QImageReader reader(QString::fromStdString(path));
    reader.setAutoTransform(false);
    const QImage img = reader.read();
    if (img.isNull() || img.width() <= 0 || img.height() <= 0) return std::nullopt;
    Picture p;
    p.width = img.width();
    p.height = img.height();
    for (QRgb c : img.colorTable()) p.palette.push_back(c & 0x00FFFFFFu);
    const QImage argb = img.convertToFormat(QImage::Format_ARGB32);
    if (argb.isNull()) return std::nullopt;
    p.argb.resize(static_cast<std::size_t>(p.width) * static_cast<std::size_t>(p.height));
    for (int y = 0; y < p.height; ++y)
      std::memcpy(p.argb.data() + static_cast<std::ptrdiff_t>(y) * p.width, argb.constScanLine(y),
                  static_cast<std::size_t>(p.width) * 4);
    return p;
  }

  std::vector<Encoder> encoders() override {
    std::vector<Encoder> out;
    const QList<QByteArray> mimes = QImageWriter::supportedMimeTypes();
    const auto add = [&](const char* mime, bool (*write)(const std::string&, const EncodeSource&)) {
      if (mimes.contains(QByteArray(mime))) out.push_back(Encoder{mime, write});
    };
    add("image/bmp", writeBmp);
    add("image/jpeg", writeJpeg);
    out.push_back(Encoder{"image/gif", writeGif});
    add("image/png", writePng);
    add("image/tiff", writeTiff);
    return out;
  }
};

// The dialogs' filter texts separate their patterns with ';', which Qt's own
// filtering does not split, and file names differ in case here: give the
// file list the patterns one by one, each letter matching both cases.
QStringList filePatterns(const char* patterns) {
  QStringList out;
  for (const QString& p : QString::fromUtf8(patterns).split(';', Qt::SkipEmptyParts)) {
    QString any;
    for (QChar c : p)
      any += c.isLetter() ? QString("[%1%2]").arg(c.toLower()).arg(c.toUpper()) : QString(c);
    out << any;
  }
  return out;
}

class QtFileDialogs final : public FileDialogs {
 public:
  explicit QtFileDialogs(QtWindowSystem& ws) : ws_(ws) {}

  std::optional<std::string> open() override {
    return ws_.onGui([] { return run(false); });
  }
  std::optional<std::string> save() override {
    return ws_.onGui([] { return run(true); });
  }

 private:
  static std::optional<std::string> run(bool saving) {
    DialogMemory& memory = dialogMemory();
    const std::vector<Filter>& all = openFilters();
    const std::size_t count = saving ? 6 : all.size();
    QStringList texts;
    for (std::size_t i = 0; i < count; ++i) texts << QString::fromUtf8(all[i].text);
    int& remembered = saving ? memory.saveFilter : memory.openFilter;
    const int selected = std::clamp(remembered, 1, static_cast<int>(count));

    QFileDialog dialog(nullptr, saving ? "Save as" : "Load image file",
                       QString::fromStdString(saving ? memory.saveFolder : memory.openFolder));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setNameFilters(texts);
    auto* files = dialog.findChild<QFileSystemModel*>();
    const auto applyFilter = [files, &all, &texts](const QString& text) {
      const int i = static_cast<int>(texts.indexOf(text));
      if (files && i >= 0) files->setNameFilters(filePatterns(all[static_cast<std::size_t>(i)].pattern));
    };
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, applyFilter);
    dialog.selectNameFilter(texts[selected - 1]);
    applyFilter(texts[selected - 1]);
    if (saving) {
      dialog.setAcceptMode(QFileDialog::AcceptSave);
      dialog.setFileMode(QFileDialog::AnyFile);
      dialog.selectFile("noname");
    } else {
      dialog.setAcceptMode(QFileDialog::AcceptOpen);
      dialog.setFileMode(QFileDialog::ExistingFile);
      dialog.selectFile(QString::fromUtf8(all[static_cast<std::size_t>(selected - 1)].pattern));
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::optional<std::string>{};
    const QString chosen = dialog.selectedFiles().first();
    remembered = static_cast<int>(texts.indexOf(dialog.selectedNameFilter())) + 1;
    if (remembered <= 0) remembered = selected;
    (saving ? memory.saveFolder : memory.openFolder) = QFileInfo(chosen).absolutePath().toStdString();
    return std::optional<std::string>{chosen.toStdString()};
  }

  QtWindowSystem& ws_;
};

}  // namespace

void installQt(QtWindowSystem& ws) {
  setCodec(std::make_shared<QtCodec>());
  setFileDialogs(std::make_shared<QtFileDialogs>(ws));
  dialogMemory().openFolder = startDirectories().open;
  dialogMemory().saveFolder = startDirectories().save;
  shell().probeImageSize = [](const std::string& path) -> std::pair<int, int> {
    if (QFileInfo(QString::fromStdString(path)).isDir()) return {0, 0};
    QImageReader reader(QString::fromStdString(path));
    QSize size = reader.size();
    if (!size.isValid() || size.isEmpty()) size = reader.read().size();
    return size.isValid() ? std::pair<int, int>{size.width(), size.height()} : std::pair<int, int>{0, 0};
  };
  installImageFiles();
}

}  // namespace rozoru::imageio
