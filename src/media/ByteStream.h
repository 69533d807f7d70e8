#pragma once
// The program's abstract byte stream: what a "stream:N" input reads (see
// StreamInput.h). A DVD title stream is one.

#include <cstdint>

namespace media {

enum TSeekOrigin { soBeginning = 0, soCurrent = 1, soEnd = 2 };

class TByteStream {
 public:
  virtual ~TByteStream() = default;

  // Bytes delivered into Buffer, up to Count; 0 at the end of the stream.
  virtual int Read(void* Buffer, int Count) = 0;
  // Bytes taken from Buffer; streams that cannot be written take none.
  virtual int Write(const void* /*Buffer*/, int /*Count*/) { return 0; }
  // The new position, or -1 when the stream cannot go there.
  virtual int64_t Seek(int64_t Offset, TSeekOrigin Origin) = 0;
  // The stream's size in bytes.
  virtual int64_t Size() = 0;
};

}  // namespace media
