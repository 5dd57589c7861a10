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
  PixelBudget* budget;
  SkinImage* image;
  png_bytep* rows;
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

uint32_t BigEndian(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
}

// Holds the only setjmp of the decode; touches no object with a destructor.
bool DecodeRows(png_structp png, png_infop info, DecodeState* state) {
  if (setjmp(png_jmpbuf(png))) return false;
  // Limits are errors, not warnings: a chunk declaring gigabytes ends the
  // decode at once instead of being allocated and read.
  png_set_benign_errors(png, 0);
  png_set_user_limits(png, kMaxPictureSide, kMaxPictureSide);
  png_set_chunk_malloc_max(png, kMaxPngChunkBytes);
  png_set_chunk_cache_max(png, 16);
  // Only IHDR, PLTE, tRNS, IDAT and IEND are read; every other chunk is
  // skipped as it streams past, never buffered.
  png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
  png_set_read_fn(png, &state->source, PngReadCallback);
  png_read_info(png, info);

  const png_uint_32 width = png_get_image_width(png, info);
  const png_uint_32 height = png_get_image_height(png, info);
  const uint64_t pixels = static_cast<uint64_t>(width) * height;
  if (pixels == 0 || pixels > kMaxPicturePixels) return false;
  if (state->budget && pixels > state->budget->left) {
    state->budget->exceeded = true;
    return false;
  }
  // Straight into BGRA: palette to RGB, grey to RGB, transparency to alpha,
  // 16-bit to 8; a picture without alpha is opaque.
  png_set_expand(png);
  png_set_strip_16(png);
  png_set_gray_to_rgb(png);
  png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
  png_set_bgr(png);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  const size_t rowBytes = static_cast<size_t>(width) * 4;
  if (png_get_rowbytes(png, info) != rowBytes || png_get_channels(png, info) != 4) return false;

  state->image = static_cast<SkinImage*>(std::calloc(1, sizeof(SkinImage)));
  if (!state->image) return false;
  state->image->pixels = static_cast<uint8_t*>(std::malloc(rowBytes * height));
  state->rows = static_cast<png_bytep*>(std::malloc(sizeof(png_bytep) * height));
  if (!state->image->pixels || !state->rows) return false;
  state->image->width = static_cast<int32_t>(width);
  state->image->height = static_cast<int32_t>(height);
  for (png_uint_32 y = 0; y < height; ++y) state->rows[y] = state->image->pixels + rowBytes * y;
  png_read_image(png, state->rows);
  png_read_end(png, nullptr);
  if (state->budget) state->budget->left -= pixels;
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

bool PngDeclaredSize(const uint8_t* bytes, uint32_t length, uint32_t* width, uint32_t* height) {
  // The signature, then IHDR first: length 13, type, width, height.
  if (!bytes || length < 24 || png_sig_cmp(bytes, 0, 8) != 0 || std::memcmp(bytes + 12, "IHDR", 4) != 0) {
    return false;
  }
  *width = BigEndian(bytes + 16);
  *height = BigEndian(bytes + 20);
  return true;
}

SkinImage* LoadPngFromMemory(const uint8_t* bytes, uint32_t length, PixelBudget* budget) {
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
  state.budget = budget;
  const bool decoded = DecodeRows(png, info, &state);
  png_destroy_read_struct(&png, &info, nullptr);
  std::free(state.rows);
  if (!decoded) {
    FreeSkinImage(state.image);
    return nullptr;
  }
  return state.image;
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
