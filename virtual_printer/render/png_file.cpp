#include "virtual_printer/render/png_file.h"

#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

namespace qvvp {

namespace {

constexpr png_uint_32 kDotsPerMetre = 8000;  // 8 dots a millimetre

const char* EndText(RenderedReceipt::End end) {
  switch (end) {
    case RenderedReceipt::End::kFullCut: return "full cut";
    case RenderedReceipt::End::kPartialCut: return "partial cut";
    case RenderedReceipt::End::kRollLimit: return "longest image reached, continued in the next";
    case RenderedReceipt::End::kUnfinished: return "not cut yet";
  }
  return "";
}

class FileCloser {
 public:
  explicit FileCloser(std::FILE* file) : m_file(file) {}
  ~FileCloser() {
    if (m_file != nullptr) std::fclose(m_file);
  }
  std::FILE* get() const { return m_file; }
  int Close() {
    int rc = std::fclose(m_file);
    m_file = nullptr;
    return rc;
  }

 private:
  std::FILE* m_file;
};

// The libpng calls, after setjmp: nothing here may need a destructor, as a
// libpng error leaves through longjmp. `row` holds one packed row.
bool WriteImage(png_structp png, png_infop info, std::FILE* file, const CDotImage& image,
                png_text* chunks, int chunkCount, png_byte* row) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_init_io(png, file);
  png_set_IHDR(png, info, static_cast<png_uint_32>(image.width()),
               static_cast<png_uint_32>(image.height()), 1, PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_pHYs(png, info, kDotsPerMetre, kDotsPerMetre, PNG_RESOLUTION_METER);
  png_set_text(png, info, chunks, chunkCount);
  png_write_info(png, info);
  const int rowBytes = (image.width() + 7) / 8;
  for (int y = 0; y < image.height(); ++y) {
    const uint8_t* dots = image.Row(y);
    std::memset(row, 0xFF, static_cast<size_t>(rowBytes));  // white paper
    for (int x = 0; x < image.width(); ++x) {
      if (dots[x] != 0) row[x >> 3] &= static_cast<png_byte>(~(0x80 >> (x & 7)));
    }
    png_write_row(png, row);
  }
  png_write_end(png, nullptr);
  return true;
}

// Encodes into an open file; false when libpng reports an error.
bool Encode(const RenderedReceipt& receipt, std::FILE* file) {
  std::vector<std::string> texts;
  texts.push_back(std::string("receipt ") + std::to_string(receipt.number) + ", " +
                  EndText(receipt.end));
  for (const std::string& note : receipt.notes) texts.push_back(note);
  std::vector<png_text> chunks(texts.size());
  for (size_t i = 0; i < texts.size(); ++i) {
    chunks[i].compression = PNG_TEXT_COMPRESSION_NONE;
    chunks[i].key = const_cast<char*>("Comment");
    chunks[i].text = texts[i].data();
    chunks[i].text_length = texts[i].size();
  }
  std::vector<png_byte> row((receipt.image.width() + 7) / 8);
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  const bool written = info != nullptr && WriteImage(png, info, file, receipt.image, chunks.data(),
                                                     static_cast<int>(chunks.size()), row.data());
  png_destroy_write_struct(&png, info != nullptr ? &info : nullptr);
  return written;
}

}  // namespace

bool WritePng(const RenderedReceipt& receipt, const std::filesystem::path& file,
              std::string* error) {
  if (receipt.image.empty()) {
    *error = "an empty picture is not written";
    return false;
  }
  std::filesystem::path temporary = file;
  temporary += ".part";
  FileCloser out(std::fopen(temporary.c_str(), "wb"));
  if (out.get() == nullptr) {
    *error = "cannot write " + temporary.string() + ": " + std::strerror(errno);
    return false;
  }
  const bool encoded = Encode(receipt, out.get());
  const bool closed = out.Close() == 0;
  std::error_code ec;
  if (!encoded || !closed) {
    std::filesystem::remove(temporary, ec);
    *error = "cannot write " + file.string() + (encoded ? ": the disk refused it" : ": PNG error");
    return false;
  }
  std::filesystem::rename(temporary, file, ec);
  if (ec) {
    std::filesystem::remove(temporary, ec);
    *error = "cannot rename " + temporary.string() + ": " + ec.message();
    return false;
  }
  return true;
}

}  // namespace qvvp
