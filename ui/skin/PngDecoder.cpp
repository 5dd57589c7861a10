// PNG pictures of a skin, decoded with libpng from memory into SkinImage.
#include <cstdlib>
#include <cstring>

#include <png.h>

#include "ui/skin/SkinImage.h"

namespace {

struct PngMemorySource {
  const uint8_t* data;
  uint32_t length;
  uint32_t position;
};

// Everything the decode allocates, owned by the caller of DecodeRows so that
// a longjmp out of libpng cannot lose it.
struct DecodeState {
  PngMemorySource source;
  uint8_t* rowData;
  png_bytep* rows;
  png_uint_32 width;
  png_uint_32 height;
  int colourType;
};

void PngReadCallback(png_structp png, png_bytep out, size_t count) {
  auto* src = static_cast<PngMemorySource*>(png_get_io_ptr(png));
  // A read past the data would leave libpng working on a buffer it thinks
  // was filled: stop the decode instead.
  if (count > src->length - src->position) png_error(png, "read past the end of the data");
  std::memcpy(out, src->data + src->position, count);
  src->position += static_cast<uint32_t>(count);
}

void PngErrorCallback(png_structp png, png_const_charp) {
  png_longjmp(png, 1);
}
void PngWarningCallback(png_structp, png_const_charp) {}

// Holds the only setjmp of the decode; touches no object with a destructor.
bool DecodeRows(png_structp png, png_infop info, DecodeState* state) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_user_limits(png, kMaxPictureSide, kMaxPictureSide);
  png_set_chunk_malloc_max(png, 8u * 1024 * 1024);
  png_set_chunk_cache_max(png, 1000);
  png_set_read_fn(png, &state->source, PngReadCallback);
  png_read_info(png, info);

  state->width = png_get_image_width(png, info);
  state->height = png_get_image_height(png, info);
  if (state->width == 0 || state->height == 0 ||
      static_cast<uint64_t>(state->width) * state->height > kMaxPicturePixels) {
    return false;
  }
  // Palette to RGB, grey to 8 bits, transparency to alpha; 16-bit to 8.
  png_set_expand(png);
  png_set_strip_16(png);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  state->colourType = png_get_color_type(png, info);
  size_t rowBytes = png_get_rowbytes(png, info);
  if (rowBytes == 0 || rowBytes > static_cast<size_t>(state->width) * 4) return false;

  state->rowData = static_cast<uint8_t*>(std::malloc(rowBytes * state->height));
  state->rows = static_cast<png_bytep*>(std::malloc(sizeof(png_bytep) * state->height));
  if (!state->rowData || !state->rows) return false;
  for (png_uint_32 y = 0; y < state->height; ++y) state->rows[y] = state->rowData + rowBytes * y;
  png_read_image(png, state->rows);
  png_read_end(png, nullptr);
  return true;
}

}  // namespace

SkinImage* MakeSkinImage(int32_t width,
                         int32_t height,
                         int colourType,
                         const uint8_t* const* rows) {
  if (width <= 0 || height <= 0 || !rows ||
      static_cast<uint64_t>(width) * static_cast<uint64_t>(height) > kMaxPicturePixels) {
    return nullptr;
  }
  int channels;
  switch (colourType) {
    case PNG_COLOR_TYPE_GRAY:
      channels = 1;
      break;
    case PNG_COLOR_TYPE_RGB:
      channels = 3;
      break;
    case PNG_COLOR_TYPE_GRAY_ALPHA:
      channels = 2;
      break;
    case PNG_COLOR_TYPE_RGB_ALPHA:
      channels = 4;
      break;
    default:
      return nullptr;
  }
  auto* image = static_cast<SkinImage*>(std::malloc(sizeof(SkinImage)));
  if (!image) return nullptr;
  image->pixels = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(width) * height * 4));
  if (!image->pixels) {
    std::free(image);
    return nullptr;
  }
  image->width = width;
  image->height = height;
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* in = rows[y];
    uint8_t* out = image->pixels + static_cast<size_t>(y) * width * 4;
    for (int32_t x = 0; x < width; ++x, in += channels, out += 4) {
      // A picture without an alpha channel is opaque, not invisible.
      if (channels <= 2) {
        out[0] = out[1] = out[2] = in[0];
        out[3] = channels == 2 ? in[1] : 255;
      } else {
        out[0] = in[2];
        out[1] = in[1];
        out[2] = in[0];
        out[3] = channels == 4 ? in[3] : 255;
      }
    }
  }
  return image;
}

SkinImage* LoadPngFromMemory(const uint8_t* bytes, uint32_t length) {
  if (!bytes || length < 8 || png_sig_cmp(bytes, 0, 8) != 0) return nullptr;
  png_structp png =
      png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngErrorCallback, PngWarningCallback);
  if (!png) return nullptr;
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return nullptr;
  }
  DecodeState state{};
  state.source = {bytes, length, 0};
  SkinImage* image = nullptr;
  if (DecodeRows(png, info, &state)) {
    image = MakeSkinImage(static_cast<int32_t>(state.width), static_cast<int32_t>(state.height),
                          state.colourType, state.rows);
  }
  png_destroy_read_struct(&png, &info, nullptr);
  std::free(state.rows);
  std::free(state.rowData);
  return image;
}

SkinImage* LoadPngFile(const wchar_t* path) {
  if (!path) return nullptr;
  HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return nullptr;
  LARGE_INTEGER size;
  SkinImage* image = nullptr;
  if (GetFileSizeEx(file, &size) && size.QuadPart > 0 && size.QuadPart <= kMaxPngFileBytes) {
    DWORD length = static_cast<DWORD>(size.QuadPart);
    auto* bytes = static_cast<uint8_t*>(std::malloc(length));
    DWORD got = 0;
    if (bytes && ReadFile(file, bytes, length, &got, nullptr) && got == length) {
      image = LoadPngFromMemory(bytes, length);
    }
    std::free(bytes);
  }
  CloseHandle(file);
  return image;
}

void FreeSkinImage(SkinImage* image) {
  if (!image) return;
  std::free(image->pixels);
  std::free(image);
}

void FreeSkin(SkinImageSet* set) {
  if (!set) return;
  for (SkinImage*& image : set->images) {
    FreeSkinImage(image);
    image = nullptr;
  }
}
