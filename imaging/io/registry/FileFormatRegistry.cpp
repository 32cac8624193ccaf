#include "imaging/io/registry/FileFormatRegistry.h"

#include <mutex>
#include <string_view>

#include "imaging/io/ProgressRecord.h"
#include "imaging/io/png/PngReader.h"

namespace {

constexpr std::size_t kMaxTextLength = 80;

// The built-in formats are decoded through the fixed extension tables of the I/O object; their
// rows name them. Where a row is reached all the same (an extension only the row lists, a
// format found by content), its operation reports failure: doing nothing and succeeding would
// leave the previous image in the container, or an empty file called a saved picture. PNG is
// the exception: its row reads through libpng, and the fixed table sends ".png" to it.
void ReadWithoutCodec(TByteStream&, TImgBitmap&, TIOParamsVals&, bool, TProgressRecord& progress) {
  progress.Abort();
}

void WriteWithoutCodec(TByteStream&, TImgBitmap&, TIOParamsVals&, TProgressRecord& progress) {
  progress.Abort();
}

bool NotRecognised(TByteStream&) {
  return false;
}

FileFormatEntry BuiltIn(int id, const char* name, const char* extensions, std::uint16_t page,
                        bool readable, bool writable) {
  FileFormatEntry entry;
  entry.FormatId = id;
  entry.DisplayName = name;
  entry.Extensions = extensions;
  entry.OptionsPage = page;
  if (readable)
    entry.Read = ReadWithoutCodec;
  if (writable)
    entry.Write = WriteWithoutCodec;
  entry.Test = NotRecognised;
  return entry;
}

FileFormatEntry WithRead(FileFormatEntry entry, TFileFormatRead read) {
  entry.Read = std::move(read);
  return entry;
}

std::vector<FileFormatEntry> BuiltInRows() {
  return {
      BuiltIn(1, "TIFF Bitmap", "TIF;TIFF;FAX;G3N;G3F", 8, true, true),
      BuiltIn(2, "CompuServe Bitmap", "GIF", 16, true, true),
      BuiltIn(3, "JPEG Bitmap", "JPG;JPEG;JPE", 4, true, true),
      BuiltIn(4, "PaintBrush", "PCX", 64, true, true),
      BuiltIn(5, "Windows Bitmap", "BMP;DIB;RLE", 32, true, true),
      BuiltIn(6, "Windows Icon", "ICO", 0, true, true),
      BuiltIn(7, "Windows Cursor", "CUR", 0, true, false),
      WithRead(BuiltIn(8, "Portable Network Graphics", "PNG", 128, true, true), ReadPngImage),
      BuiltIn(9, "Windows Metafile", "WMF", 0, true, false),
      BuiltIn(10, "Enhanced Windows Metafile", "EMF", 0, true, false),
      BuiltIn(11, "Targa Bitmap", "TGA;TARGA;VDA;ICB;VST;PIX", 256, true, true),
      BuiltIn(12, " Portable Pixmap, GrayMap, BitMap", "PXM;PPM;PGM;PBM", 0, true, true),
      BuiltIn(16, "Wireless Bitmap", "WBMP", 0, true, true),
      BuiltIn(13, "JPEG2000", "JP2", 512, true, true),
      BuiltIn(14, "JPEG2000 Code Stream", "J2K;JPC;J2C", 512, true, true),
      BuiltIn(17, "PostScript Level 2", "PS;EPS", 0, false, true),
      BuiltIn(18, "Adobe PDF", "PDF", 0, false, true),
  };
}

struct TRegistry {
  std::mutex lock;
  std::vector<FileFormatEntry> rows = BuiltInRows();
};

TRegistry& Registry() {
  static TRegistry registry;
  return registry;
}

std::string UpperCaseAscii(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z')
      c = static_cast<char>(c - 'a' + 'A');
  }
  return upper;
}

bool ListsExtension(std::string_view extensions, std::string_view wanted) {
  while (!extensions.empty()) {
    const std::size_t separator = extensions.find(';');
    if (UpperCaseAscii(extensions.substr(0, separator)) == wanted)
      return true;
    if (separator == std::string_view::npos)
      break;
    extensions.remove_prefix(separator + 1);
  }
  return false;
}

}  // namespace

void AddFileFormat(const FileFormatEntry& entry) {
  FileFormatEntry row = entry;
  if (row.DisplayName.size() > kMaxTextLength)
    row.DisplayName.resize(kMaxTextLength);
  if (row.Extensions.size() > kMaxTextLength)
    row.Extensions.resize(kMaxTextLength);
  TRegistry& registry = Registry();
  std::lock_guard guard(registry.lock);
  registry.rows.push_back(std::move(row));
}

std::vector<FileFormatEntry> FileFormatRegistry() {
  TRegistry& registry = Registry();
  std::lock_guard guard(registry.lock);
  return registry.rows;
}

std::optional<FileFormatEntry> FindFileFormatByExtension(const std::string& extension) {
  std::string_view name = extension;
  if (!name.empty() && name.front() == '.')
    name.remove_prefix(1);
  if (name.empty())
    return std::nullopt;
  const std::string wanted = UpperCaseAscii(name);
  TRegistry& registry = Registry();
  std::lock_guard guard(registry.lock);
  for (const FileFormatEntry& row : registry.rows) {
    if (ListsExtension(row.Extensions, wanted))
      return row;
  }
  return std::nullopt;
}

std::optional<FileFormatEntry> FindReadableFileFormat(int formatId) {
  TRegistry& registry = Registry();
  std::lock_guard guard(registry.lock);
  for (const FileFormatEntry& row : registry.rows) {
    if (row.FormatId == formatId && row.Read)
      return row;
  }
  return std::nullopt;
}
