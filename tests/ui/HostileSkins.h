// Skin archives built to cost a host memory and time: a picture whose text
// chunk declares almost 2 GB, and a small archive whose every picture slot
// holds a 2048 x 2048 picture. Shared by the tests and the skin bench.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/ui/PngWriter.h"
#include "tests/ui/SkinTestSupport.h"
#include "tests/ui/ZipWriter.h"
#include "ui/skin/SkinLoader.h"

namespace zn::test {

// A 60 x 20 picture with a tEXt chunk after IHDR that declares 0x7FFFFFF0
// bytes; only a few follow.
inline std::vector<uint8_t> HugeTextChunkPng() {
  std::vector<uint8_t> png = SolidPng(60, 20);
  const std::string body = "Comment";
  std::vector<uint8_t> chunk = {0x7F, 0xFF, 0xFF, 0xF0, 't', 'E', 'X', 't'};
  chunk.insert(chunk.end(), body.begin(), body.end());
  chunk.insert(chunk.end(), 24, 'x');
  png.insert(png.begin() + 8 + 25, chunk.begin(), chunk.end());
  return png;
}

// A skin whose bar.png (or, with every, each picture) is HugeTextChunkPng.
inline std::vector<uint8_t> HugeTextChunkSkin(bool every) {
  ZipWriter zip;
  zip.Add("skin.ini", Utf16Ini(SampleIni(L"巨块")), true);
  const std::vector<uint8_t> hostile = HugeTextChunkPng();
  for (const char* picture : kRequiredPictures) {
    const bool bar = std::string(picture) == "bar.png";
    zip.Add(picture, bar || every ? hostile : SolidPng(30, 16), true);
  }
  return zip.Build();
}

// A valid skin (a dozen kilobytes) with a side x side picture in every one
// of the 50 picture slots.
inline std::vector<uint8_t> LargePictureSkin(uint32_t side = 2048) {
  const std::vector<uint8_t> picture = EncodePng(PngPicture{side, side});
  ZipWriter zip;
  zip.Add("skin.ini", Utf16Ini(SampleIni(L"巨图")), true);
  for (int i = 0; i < kSkinPictureCount; ++i) {
    char name[32];
    SkinPictureFileName(i, name);
    zip.Add(name, picture, true);
  }
  return zip.Build();
}

}  // namespace zn::test
