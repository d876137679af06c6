#include "imageio/qt_codec.h"

#include <gif_lib.h>

#include <QBuffer>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <algorithm>
#include <cstring>
#include <numeric>
#include <new>
#include <string_view>
#include <utility>

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

// The whole file the writer makes in memory: its own errors show there, and
// TIFF, which seeks back, can.
bool encodeQt(const EncodeSource& s, Bytes& out, const char* format) {
  const QImage img = toQImage(s);
  if (img.isNull()) return false;
  QByteArray data;
  QBuffer buffer(&data);
  if (!buffer.open(QIODevice::WriteOnly)) return false;
  QImageWriter writer(&buffer, format);
  if (std::strcmp(format, "jpeg") == 0) writer.setQuality(std::clamp(s.quality, 0, 100));
  if (!writer.write(img) || data.isEmpty()) return false;
  out.assign(data.cbegin(), data.cend());
  return true;
}

bool encodeBmp(const EncodeSource& s, Bytes& out) { return encodeQt(s, out, "bmp"); }
bool encodeJpeg(const EncodeSource& s, Bytes& out) { return encodeQt(s, out, "jpeg"); }
bool encodePng(const EncodeSource& s, Bytes& out) { return encodeQt(s, out, "png"); }
bool encodeTiff(const EncodeSource& s, Bytes& out) { return encodeQt(s, out, "tiff"); }

// giflib's output: appended to the Bytes it was opened with; a short count
// (no memory) is its write error.
int putGifBytes(GifFileType* gif, const GifByteType* data, int size) {
  try {
    auto& out = *static_cast<Bytes*>(gif->UserData);
    out.insert(out.end(), data, data + size);
  } catch (const std::bad_alloc&) {
    return 0;
  }
  return size;
}

// GIF holds at most 256 colours: 8-bit images keep their table, 32-bit
// pictures are quantised. Its sizes are 16 bits, so wider or taller
// pictures are refused rather than written with a wrapped header.
bool encodeGif(const EncodeSource& s, Bytes& out) {
  if (s.width <= 0 || s.height <= 0 || s.width > 0xFFFF || s.height > 0xFFFF) return false;
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
  GifFileType* gif = EGifOpen(&out, putGifBytes, &error);
  if (!gif) return false;
  // The map must have a power-of-two size; unused entries stay black.
  ColorMapObject* map = GifMakeMapObject(256, colors.data());
  bool ok = map && EGifPutScreenDesc(gif, s.width, s.height, 8, 0, map) == GIF_OK &&
            EGifPutImageDesc(gif, 0, 0, s.width, s.height, false, nullptr) == GIF_OK;
  for (int y = 0; ok && y < s.height; ++y)
    ok = EGifPutLine(gif, indices.data() + static_cast<std::ptrdiff_t>(y) * s.width, s.width) == GIF_OK;
  if (map) GifFreeMapObject(map);
  if (EGifCloseFile(gif, &error) != GIF_OK) ok = false;
  return ok;
}

// The formats a file may be decoded as, told by its first bytes: only those
// the dialogs offer, never whatever an installed plugin recognises.
const char* formatOf(const Bytes& file) {
  const auto starts = [&file](std::string_view magic) {
    return file.size() >= magic.size() && std::memcmp(file.data(), magic.data(), magic.size()) == 0;
  };
  using namespace std::string_view_literals;
  if (starts("BM"sv)) return "bmp";
  if (starts("\xFF\xD8\xFF"sv)) return "jpeg";
  if (starts("GIF87a"sv) || starts("GIF89a"sv)) return "gif";
  if (starts("\x89PNG\r\n\x1A\n"sv)) return "png";
  if (starts("II*\0"sv) || starts("MM\0*"sv)) return "tiff";
  if (starts("\0\0\1\0"sv)) return "ico";
  return nullptr;
}

// A reader of one format over a file in memory (which must outlive it).
class BytesReader {
 public:
  BytesReader(const Bytes& file, const char* format)
      : data_(QByteArray::fromRawData(reinterpret_cast<const char*>(file.data()), static_cast<qsizetype>(file.size()))),
        buffer_(&data_) {
    buffer_.open(QIODevice::ReadOnly);
    reader_.setDevice(&buffer_);
    reader_.setFormat(format);
    reader_.setAutoDetectImageFormat(false);
    reader_.setAutoTransform(false);
  }
  QImageReader* operator->() { return &reader_; }

 private:
  QByteArray data_;
  QBuffer buffer_;
  QImageReader reader_;
};

// Whether a picture of this size fits the bound in 32-bit pixels.
bool fits(QSize size) {
  return size.width() > 0 && size.height() > 0 &&
         static_cast<std::size_t>(size.width()) * static_cast<std::size_t>(size.height()) <= kMaxPictureBytes / 4;
}

class QtCodec final : public Codec {
 public:
  // Decoded once, converted in place where Qt can, and handed over without
  // a copy: the picture keeps the QImage alive.
  std::optional<Picture> decode(const Bytes& file) override {
    const char* format = formatOf(file);
    if (!format) return std::nullopt;
    BytesReader reader(file, format);
    const QSize announced = reader->size();
    if (announced.isValid() && !fits(announced)) return std::nullopt;
    auto img = std::make_shared<QImage>();
    if (!reader->read(img.get()) || !fits(img->size())) return std::nullopt;
    Picture p;
    p.width = img->width();
    p.height = img->height();
    for (QRgb c : img->colorTable()) p.palette.push_back(c & 0x00FFFFFFu);
    // RGB32 is ARGB32 with an opaque alpha: the same words.
    if (img->format() != QImage::Format_RGB32 && img->format() != QImage::Format_ARGB32) {
      img->convertTo(QImage::Format_ARGB32);
      if (img->isNull() || img->format() != QImage::Format_ARGB32) return std::nullopt;
    }
    p.argb = reinterpret_cast<const std::uint32_t*>(std::as_const(*img).bits());
    p.stride = static_cast<int>(img->bytesPerLine() / 4);
    p.owner = std::move(img);
    return p;
  }

  std::vector<Encoder> encoders() override {
    std::vector<Encoder> out;
    const QList<QByteArray> mimes = QImageWriter::supportedMimeTypes();
    const auto add = [&](const char* mime, bool (*encode)(const EncodeSource&, Bytes&)) {
      if (mimes.contains(QByteArray(mime))) out.push_back(Encoder{mime, encode});
    };
    add("image/bmp", encodeBmp);
    add("image/jpeg", encodeJpeg);
    out.push_back(Encoder{"image/gif", encodeGif});
    add("image/png", encodePng);
    add("image/tiff", encodeTiff);
    return out;
  }
};

bool hasQtReader(const char* format) { return QImageReader::supportedImageFormats().contains(QByteArray(format)); }

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

  std::optional<std::string> open() override { return run(false); }
  std::optional<std::string> save() override { return run(true); }

 private:
  std::optional<std::string> run(bool saving) {
    // What the dialog offers, kept for as long as it is open.
    struct Offer {
      std::vector<int> numbers;  // filters keep their numbers when some are not offered
      QStringList texts;
      int shown = 1;
      const Filter& at(qsizetype i) const {
        return openFilters()[static_cast<std::size_t>(numbers[static_cast<std::size_t>(i)] - 1)];
      }
    };
    auto offer = std::make_shared<Offer>();
    std::optional<std::string> chosen;
    ws_.runDialog(
        0,
        [&](QWidget*) -> QDialog* {
          DialogMemory& memory = dialogMemory();
          // Saving offers 1-6.
          offer->numbers.resize(6);
          std::iota(offer->numbers.begin(), offer->numbers.end(), 1);
          if (!saving) offer->numbers = offeredOpenFilters(hasQtReader);
          for (std::size_t i = 0; i < offer->numbers.size(); ++i)
            offer->texts << QString::fromUtf8(offer->at(static_cast<qsizetype>(i)).text);
          const int remembered = saving ? memory.saveFilter : memory.openFilter;
          const auto offered = std::find(offer->numbers.begin(), offer->numbers.end(), remembered);
          offer->shown = offered == offer->numbers.end() ? 1 : static_cast<int>(offered - offer->numbers.begin()) + 1;

          auto* dialog =
              new QFileDialog(nullptr, saving ? "Save as" : "Load image file",
                              QFile::decodeName(QByteArray::fromStdString(saving ? memory.saveFolder : memory.openFolder)));
          dialog->setOption(QFileDialog::DontUseNativeDialog);
          dialog->setNameFilters(offer->texts);
          auto* files = dialog->findChild<QFileSystemModel*>();
          const auto applyFilter = [files, offer](const QString& text) {
            const auto i = offer->texts.indexOf(text);
            if (files && i >= 0) files->setNameFilters(filePatterns(offer->at(i).pattern));
          };
          QObject::connect(dialog, &QFileDialog::filterSelected, dialog, applyFilter);
          const QString& shownText = offer->texts[offer->shown - 1];
          dialog->selectNameFilter(shownText);
          applyFilter(shownText);
          if (saving) {
            dialog->setAcceptMode(QFileDialog::AcceptSave);
            dialog->setFileMode(QFileDialog::AnyFile);
            dialog->selectFile("noname");
          } else {
            dialog->setAcceptMode(QFileDialog::AcceptOpen);
            dialog->setFileMode(QFileDialog::ExistingFile);
            dialog->selectFile(QString::fromUtf8(offer->at(offer->shown - 1).pattern));
          }
          return dialog;
        },
        [&](QDialog& d, bool accepted) {
          const auto& dialog = static_cast<QFileDialog&>(d);
          if (!accepted || dialog.selectedFiles().isEmpty()) return;
          DialogMemory& memory = dialogMemory();
          const QString path = dialog.selectedFiles().first();
          const auto picked = offer->texts.indexOf(dialog.selectedNameFilter());
          (saving ? memory.saveFilter : memory.openFilter) =
              offer->numbers[static_cast<std::size_t>(picked >= 0 ? picked : offer->shown - 1)];
          // Names go back as the file system's own bytes, valid UTF-8 or not.
          (saving ? memory.saveFolder : memory.openFolder) =
              QFile::encodeName(QFileInfo(path).absolutePath()).toStdString();
          chosen = QFile::encodeName(path).toStdString();
        });
    return chosen;
  }

  QtWindowSystem& ws_;
};

}  // namespace

void installQt(QtWindowSystem& ws) {
  setCodec(std::make_shared<QtCodec>());
  setFileDialogs(std::make_shared<QtFileDialogs>(ws));
  dialogMemory().openFolder = startDirectories().open;
  dialogMemory().saveFolder = startDirectories().save;
  // The size of a dropped file, read as loading reads it (a folder or an
  // unoffered format is no picture).
  shell().probeImageSize = [](const std::string& path) -> std::pair<int, int> {
    try {
      const std::optional<Bytes> file = readFile(path);
      const char* format = file ? formatOf(*file) : nullptr;
      if (!format) return {0, 0};
      const QSize announced = BytesReader(*file, format)->size();
      if (announced.isValid() && !announced.isEmpty())
        return fits(announced) ? std::pair<int, int>{announced.width(), announced.height()} : std::pair<int, int>{0, 0};
      const std::optional<Picture> p = QtCodec().decode(*file);
      return p ? std::pair<int, int>{p->width, p->height} : std::pair<int, int>{0, 0};
    } catch (const std::bad_alloc&) {
      return {0, 0};
    }
  };
  QImageReader::setAllocationLimit(static_cast<int>(kMaxPictureBytes >> 20));
  installImageFiles();
}

}  // namespace rozoru::imageio
