// Writes small zip archives for the tests (stored or deflated entries), with
// knobs to damage them the ways a bad file on disk can be damaged.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include <zlib.h>

#include "tests/common/TestFiles.h"

namespace zn::test {

struct ZipEntry {
  std::string name;
  std::vector<uint8_t> data;
  bool deflate = false;
  uint32_t crcXor = 0;        // non-zero: store a wrong CRC
  int64_t declaredSize = -1;  // >= 0: declare this uncompressed size instead
  uint16_t extraFlags = 0;    // general-purpose flag bits (1 = encrypted)
  int method = -1;            // >= 0: declare this compression method
};

inline std::vector<uint8_t> Bytes(const std::string& text) {
  return std::vector<uint8_t>(text.begin(), text.end());
}

inline std::vector<uint8_t> RawDeflate(const std::vector<uint8_t>& in) {
  z_stream z{};
  deflateInit2(&z, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  std::vector<uint8_t> out(deflateBound(&z, static_cast<uLong>(in.size())) + 16);
  z.next_in = const_cast<Bytef*>(in.data());
  z.avail_in = static_cast<uInt>(in.size());
  z.next_out = out.data();
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

class ZipWriter {
 public:
  ZipWriter& Add(ZipEntry e) {
    entries_.push_back(std::move(e));
    return *this;
  }
  ZipWriter& Add(const std::string& name, const std::vector<uint8_t>& data, bool deflate = false) {
    return Add(ZipEntry{name, data, deflate});
  }

  std::vector<uint8_t> Build() const {
    std::vector<uint8_t> out, central;
    for (const ZipEntry& e : entries_) {
      std::vector<uint8_t> body = e.deflate ? RawDeflate(e.data) : e.data;
      uint32_t crc = static_cast<uint32_t>(crc32(0, e.data.data(), static_cast<uInt>(e.data.size()))) ^ e.crcXor;
      uint32_t size = e.declaredSize >= 0 ? static_cast<uint32_t>(e.declaredSize) : static_cast<uint32_t>(e.data.size());
      uint32_t method = e.method >= 0 ? e.method : (e.deflate ? 8 : 0);
      // The fields from the flags to the name length, alike in both headers;
      // the date is 1980-01-01 00:00.
      auto shared = [&](std::vector<uint8_t>& v) {
        for (auto [bytes, value] : {std::pair{2, uint32_t{e.extraFlags}}, {2, method}, {4, 0x00210000u}, {4, crc},
                                    {4, static_cast<uint32_t>(body.size())}, {4, size},
                                    {2, static_cast<uint32_t>(e.name.size())}}) {
          Put(v, bytes, value);
        }
      };
      uint32_t offset = static_cast<uint32_t>(out.size());
      Put(out, 4, 0x04034b50);
      Put(out, 2, 20);
      shared(out);
      Put(out, 2, 0);
      out.insert(out.end(), e.name.begin(), e.name.end());
      out.insert(out.end(), body.begin(), body.end());

      Put(central, 4, 0x02014b50);
      Put(central, 4, 20 | (20 << 16));
      shared(central);
      Put(central, 4, 0);  // extra and comment lengths
      Put(central, 4, 0);  // disk, internal attributes
      Put(central, 4, 0);  // external attributes
      Put(central, 4, offset);
      central.insert(central.end(), e.name.begin(), e.name.end());
    }
    uint32_t centralOffset = static_cast<uint32_t>(out.size());
    out.insert(out.end(), central.begin(), central.end());
    Put(out, 4, 0x06054b50);
    Put(out, 4, 0);  // this disk, the directory's disk
    Put(out, 4, static_cast<uint32_t>(entries_.size() * 0x10001));
    Put(out, 4, static_cast<uint32_t>(central.size()));
    Put(out, 4, centralOffset);
    Put(out, 2, 0);
    return out;
  }

 private:
  static void Put(std::vector<uint8_t>& v, int bytes, uint32_t x) {
    for (int i = 0; i < bytes; ++i) v.push_back(static_cast<uint8_t>(x >> (8 * i)));
  }
  std::vector<ZipEntry> entries_;
};

// The ANSI form of a test path (test folders are plain ASCII).
inline std::string Ansi(const std::wstring& path) {
  char buffer[MAX_PATH * 2];
  int n = WideCharToMultiByte(CP_ACP, 0, path.c_str(), -1, buffer, sizeof(buffer), nullptr, nullptr);
  return n > 0 ? std::string(buffer) : std::string();
}

}  // namespace zn::test
