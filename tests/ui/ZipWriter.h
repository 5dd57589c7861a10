// Writes small zip archives for the tests (stored or deflated entries), with
// knobs to damage them the ways a bad file on disk can be damaged.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <zlib.h>

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
    ZipEntry e;
    e.name = name;
    e.data = data;
    e.deflate = deflate;
    return Add(std::move(e));
  }

  std::vector<uint8_t> Build() const {
    std::vector<uint8_t> out, central;
    for (const ZipEntry& e : entries_) {
      std::vector<uint8_t> body = e.deflate ? RawDeflate(e.data) : e.data;
      uint32_t crc =
          static_cast<uint32_t>(crc32(0, e.data.data(), static_cast<uInt>(e.data.size()))) ^
          e.crcXor;
      uint32_t size = e.declaredSize >= 0 ? static_cast<uint32_t>(e.declaredSize)
                                          : static_cast<uint32_t>(e.data.size());
      uint16_t method = e.method >= 0 ? static_cast<uint16_t>(e.method) : (e.deflate ? 8 : 0);
      uint32_t offset = static_cast<uint32_t>(out.size());
      Put32(out, 0x04034b50);
      Put16(out, 20);
      Put16(out, e.extraFlags);
      Put16(out, method);
      Put32(out, 0x00210000);  // 1980-01-01 00:00
      Put32(out, crc);
      Put32(out, static_cast<uint32_t>(body.size()));
      Put32(out, size);
      Put16(out, static_cast<uint16_t>(e.name.size()));
      Put16(out, 0);
      out.insert(out.end(), e.name.begin(), e.name.end());
      out.insert(out.end(), body.begin(), body.end());

      Put32(central, 0x02014b50);
      Put16(central, 20);
      Put16(central, 20);
      Put16(central, e.extraFlags);
      Put16(central, method);
      Put32(central, 0x00210000);
      Put32(central, crc);
      Put32(central, static_cast<uint32_t>(body.size()));
      Put32(central, size);
      Put16(central, static_cast<uint16_t>(e.name.size()));
      Put16(central, 0);
      Put16(central, 0);
      Put16(central, 0);
      Put16(central, 0);
      Put32(central, 0);
      Put32(central, offset);
      central.insert(central.end(), e.name.begin(), e.name.end());
    }
    uint32_t centralOffset = static_cast<uint32_t>(out.size());
    out.insert(out.end(), central.begin(), central.end());
    Put32(out, 0x06054b50);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, static_cast<uint16_t>(entries_.size()));
    Put16(out, static_cast<uint16_t>(entries_.size()));
    Put32(out, static_cast<uint32_t>(central.size()));
    Put32(out, centralOffset);
    Put16(out, 0);
    return out;
  }

 private:
  static void Put16(std::vector<uint8_t>& v, uint16_t x) {
    v.push_back(static_cast<uint8_t>(x));
    v.push_back(static_cast<uint8_t>(x >> 8));
  }
  static void Put32(std::vector<uint8_t>& v, uint32_t x) {
    Put16(v, static_cast<uint16_t>(x));
    Put16(v, static_cast<uint16_t>(x >> 16));
  }
  std::vector<ZipEntry> entries_;
};

inline bool WriteFileBytes(const std::wstring& path, const std::vector<uint8_t>& bytes) {
  HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  BOOL ok = bytes.empty() ||
            WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(f);
  return ok && written == bytes.size();
}

// The ANSI form of a test path (test folders are plain ASCII).
inline std::string Ansi(const std::wstring& path) {
  char buffer[MAX_PATH * 2];
  int n =
      WideCharToMultiByte(CP_ACP, 0, path.c_str(), -1, buffer, sizeof(buffer), nullptr, nullptr);
  return n > 0 ? std::string(buffer) : std::string();
}

}  // namespace zn::test
