// MD5 message digest (RFC 1321), shared by config and the installer's update
// check.
#pragma once

#include <cstddef>
#include <cstdint>

struct Md5Context {
  uint32_t state[4];
  uint64_t bitCount;     // message length so far, in bits
  uint8_t buffer[128];   // unprocessed tail; at most 63 bytes wait between calls
  uint32_t buffered;     // bytes held in buffer
};

void Md5Init(Md5Context* ctx);
// Runs the compression function over one 64-byte block.
void Md5Transform(uint32_t state[4], const uint8_t block[64]);
void Md5Update(Md5Context* ctx, const void* data, size_t sizeBytes);
void Md5Final(Md5Context* ctx, uint8_t digest[16]);
// Digest of a zero-terminated byte string as 32 lowercase hex digits plus NUL.
void Md5HexDigest(const char* text, char out[33]);
// The same for a byte range that may hold zero bytes.
void Md5HexDigestBytes(const void* data, size_t sizeBytes, char out[33]);
