#include "tools/make/bundle/compression.h"

#include <zlib.h>

#include <algorithm>
#include <limits>
#include <new>

namespace {

// Window bits of zlib's deflateInit2/inflateInit2: negative for a raw stream, plus 16
// for the gzip wrapper.
constexpr int RawStream = -MAX_WBITS;
constexpr int GzipStream = MAX_WBITS + 16;
constexpr int ZlibWrapped = MAX_WBITS;

// The whole input into one buffer that is large enough: stored blocks, the worst case,
// add 5 bytes in 16 KiB, and a wrapper at most 18. deflateBound is not used, since
// its uLong has 32 bits on Windows. An input larger than uInt goes in pieces.
std::string Compress(const std::string& data, int windowBits) {
  z_stream stream{};
  // Only a bad argument or no memory fail here: both are faults of this program.
  if (deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY) !=
      Z_OK) {
    throw std::bad_alloc();
  }
  std::string out(data.size() + data.size() / 1000 + 64, '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  std::size_t inLeft = data.size();
  std::size_t outLeft = out.size();
  int status = Z_OK;
  while (status == Z_OK) {
    const uInt in =
        static_cast<uInt>(std::min<std::size_t>(inLeft, std::numeric_limits<uInt>::max()));
    const uInt room =
        static_cast<uInt>(std::min<std::size_t>(outLeft, std::numeric_limits<uInt>::max()));
    stream.avail_in = in;
    stream.avail_out = room;
    status = deflate(&stream, in == inLeft ? Z_FINISH : Z_NO_FLUSH);
    inLeft -= in - stream.avail_in;
    outLeft -= room - stream.avail_out;
  }
  out.resize(out.size() - outLeft);
  deflateEnd(&stream);
  return out;
}

}  // namespace

std::uint32_t Crc32(const char* data, std::size_t size, std::uint32_t crc) {
  uLong value = crc;
  while (size > 0) {
    const uInt piece =
        static_cast<uInt>(std::min<std::size_t>(size, std::numeric_limits<uInt>::max()));
    value = crc32(value, reinterpret_cast<const Bytef*>(data), piece);
    data += piece;
    size -= piece;
  }
  return static_cast<std::uint32_t>(value);
}

std::string Deflate(const std::string& data) { return Compress(data, RawStream); }

std::string Gzip(const std::string& data) { return Compress(data, GzipStream); }

std::string ZlibStream(const std::string& data) { return Compress(data, ZlibWrapped); }

bool Inflate(const std::string& data, std::size_t limit, std::string* out) {
  constexpr std::size_t Largest = std::numeric_limits<uInt>::max();
  if (data.size() > Largest || limit > Largest) return false;
  z_stream stream{};
  if (inflateInit2(&stream, RawStream) != Z_OK) return false;
  out->assign(limit, '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  stream.avail_in = static_cast<uInt>(data.size());
  stream.next_out = reinterpret_cast<Bytef*>(out->data());
  stream.avail_out = static_cast<uInt>(limit);
  const int status = inflate(&stream, Z_FINISH);
  out->resize(limit - stream.avail_out);
  inflateEnd(&stream);
  return status == Z_STREAM_END;
}
