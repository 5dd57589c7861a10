// Encodes small PNG files for the tests, in every colour type and depth.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <zlib.h>

namespace zn::test {

struct PngPicture {
  uint32_t width = 1;
  uint32_t height = 1;
  uint8_t colourType = 6;  // 0 grey, 2 RGB, 3 palette, 4 grey+alpha, 6 RGBA
  uint8_t bitDepth = 8;
  std::vector<uint8_t> pixels;        // rows without filter bytes
  std::vector<uint8_t> palette;       // RGB triples for colour type 3
  std::vector<uint8_t> transparency;  // tRNS body
};

inline void PngChunk(std::vector<uint8_t>& out, const char* kind, const std::vector<uint8_t>& body) {
  uint32_t n = static_cast<uint32_t>(body.size());
  for (int s = 24; s >= 0; s -= 8) out.push_back(static_cast<uint8_t>(n >> s));
  std::vector<uint8_t> typed(kind, kind + 4);
  typed.insert(typed.end(), body.begin(), body.end());
  out.insert(out.end(), typed.begin(), typed.end());
  uint32_t crc = static_cast<uint32_t>(crc32(0, typed.data(), static_cast<uInt>(typed.size())));
  for (int s = 24; s >= 0; s -= 8) out.push_back(static_cast<uint8_t>(crc >> s));
}

inline std::vector<uint8_t> EncodePng(const PngPicture& picture) {
  static const int kChannels[] = {1, 0, 3, 1, 2, 0, 4};
  size_t rowBytes = (static_cast<size_t>(picture.width) * kChannels[picture.colourType] * picture.bitDepth + 7) / 8;
  std::vector<uint8_t> raw;
  for (uint32_t y = 0; y < picture.height; ++y) {
    raw.push_back(0);
    size_t start = y * rowBytes;
    for (size_t i = 0; i < rowBytes; ++i) raw.push_back(start + i < picture.pixels.size() ? picture.pixels[start + i] : 0);
  }
  uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
  std::vector<uint8_t> packed(packedSize);
  compress(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()));
  packed.resize(packedSize);

  std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  std::vector<uint8_t> header;
  for (uint32_t v : {picture.width, picture.height}) {
    for (int s = 24; s >= 0; s -= 8) header.push_back(static_cast<uint8_t>(v >> s));
  }
  header.insert(header.end(), {picture.bitDepth, picture.colourType, 0, 0, 0});
  PngChunk(out, "IHDR", header);
  if (!picture.palette.empty()) PngChunk(out, "PLTE", picture.palette);
  if (!picture.transparency.empty()) PngChunk(out, "tRNS", picture.transparency);
  PngChunk(out, "IDAT", packed);
  PngChunk(out, "IEND", {});
  return out;
}

// A w x h RGBA picture of one colour.
inline std::vector<uint8_t> SolidPng(uint32_t w, uint32_t h, uint8_t r = 200, uint8_t g = 210, uint8_t b = 220,
                                     uint8_t a = 255) {
  PngPicture picture{w, h};
  for (size_t i = 0; i < size_t{w} * h; ++i) picture.pixels.insert(picture.pixels.end(), {r, g, b, a});
  return EncodePng(picture);
}

}  // namespace zn::test
