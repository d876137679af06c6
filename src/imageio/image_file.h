// Image file support inside the framework: the codec interface that the Qt
// adapter implements, the file dialogs' interface and memory, and the plain
// parts of loading and saving. Thread-bound to the worker thread except
// where marked.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "imageio/file_bytes.h"

namespace rozoru::imageio {

// The most pixel memory a file may make the program allocate, and so the
// largest picture (in 32-bit pixels) it may decode to.
inline constexpr std::size_t kMaxPictureBytes = std::size_t{128} << 20;

// A decoded file: pixels 0xAARRGGBB (not premultiplied), rows top-down and
// `stride` pixels apart, in memory that `owner` keeps alive (the decoder's
// own buffer: no copy); the file's own palette (0x00RRGGBB) when it has one.
struct Picture {
  int width = 0, height = 0;
  const std::uint32_t* argb = nullptr;
  int stride = 0;
  std::shared_ptr<const void> owner;
  std::vector<std::uint32_t> palette;
};

// A picture to encode: 24-bit RGB from 0x00RRGGBB pixels, or 8-bit indexed
// with a 256-entry table and rows at `stride` bytes.
struct EncodeSource {
  int width = 0, height = 0;
  const std::uint32_t* rgb = nullptr;      // 32-bit images
  const std::uint8_t* indices = nullptr;   // 8-bit images
  int stride = 0;                          // bytes per row of indices
  const std::uint32_t* palette = nullptr;  // 256 entries, 8-bit images
  int dotsPerMeter = 0;                    // 0: the encoder's default
  int quality = 100;                       // JPEG
};

struct Encoder {
  std::string mimeType;
  // Encodes the picture into out (the whole file); false on any failure,
  // including no memory and a size the format cannot hold.
  bool (*encode)(const EncodeSource& source, Bytes& out);
};

class Codec {
 public:
  virtual ~Codec() = default;
  // The picture a whole file holds; nullopt when it is not one of the
  // formats offered, cannot be decoded, has no pixels, or would take more
  // than kMaxPictureBytes.
  virtual std::optional<Picture> decode(const Bytes& file) = 0;
  // The available encoders, in the order they are looked up.
  virtual std::vector<Encoder> encoders() = 0;
};

// The codec in use (thread-safe to install; installed at start).
void setCodec(std::shared_ptr<Codec> codec);
std::shared_ptr<Codec> codec();

// MIME type and extension of formats 0-4.
const char* mimeType(int format);
const char* extension(int format);
// The name a file is saved under.
std::string withExtension(const std::string& name, int format);

// Draws a decoded picture into slot id at (x, y): clipped, blended by its
// alpha, mapped to the nearest colour-table entry in an 8-bit image.
void drawPicture(int id, const Picture& picture, int x, int y);

// Nearest entry of a 256-entry table (squared distance in RGB; the lowest index wins ties).
int nearestIndex(const std::uint32_t* table, std::uint32_t rgb);

// The part of a width x height picture put at (x, y) that lies inside slot
// id: columns x0 to x1 - 1, rows y0 to y1 - 1; nothing when none does.
struct Inside {
  int x0, y0, x1, y1;
};
std::optional<Inside> insideSlot(int id, int x, int y, int width, int height);

// The nearest entries of an 8-bit slot's colour table, each colour looked up once.
class NearestEntries {
 public:
  explicit NearestEntries(int id);
  std::uint8_t operator()(std::uint32_t rgb);
  std::uint32_t colour(std::uint8_t index) const { return table_[index]; }

 private:
  std::uint32_t table_[256] = {};
  std::unordered_map<std::uint32_t, std::uint8_t> found_;
};

// ---- file dialogs ----
// Filters of the open dialog (1-9) and the save dialog (1-6).
struct Filter {
  const char* text;
  const char* pattern;
  const char* format;  // the decoder's name; "" for all files, nullptr when none decodes it
};
const std::vector<Filter>& openFilters();
// The numbers of the open dialog's filters offered: all files, and each
// format that is decoded and has a reader (hasReader tells).
std::vector<int> offeredOpenFilters(bool (*hasReader)(const char* format));

// What the dialogs remember for the program's life.
struct DialogMemory {
  std::string openFolder, saveFolder;
  int openFilter = 2, saveFilter = 2;
};
DialogMemory& dialogMemory();

// The format the save dialog's filter stands for: 1 and 2 BMP, 3 JPEG, 4 GIF, 5 PNG, 6 TIFF.
int formatForSaveFilter(int filter);

class FileDialogs {
 public:
  virtual ~FileDialogs() = default;
  // Each returns the chosen path, or nullopt when cancelled, and updates
  // the folder and filter in dialogMemory() when accepted.
  virtual std::optional<std::string> open() = 0;
  virtual std::optional<std::string> save() = 0;
};
void setFileDialogs(std::shared_ptr<FileDialogs> dialogs);

// The image window's "&Load image file" and "&Save as", and a file dropped
// on an image window.
void loadWithDialog(int id);
void saveWithDialog(int id);
void loadDropped(int id, const std::string& path);

// Registers request 9003 (load a file into a slot).
void installImageFiles();

}  // namespace rozoru::imageio
