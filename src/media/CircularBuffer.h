#pragma once
// A byte ring of fixed capacity, safe for one writer thread and one reader
// thread. It never holds more than Size() - 1 bytes, so equal positions always
// mean empty. Writes and reads move all the bytes asked for or none.

#include <cstdint>
#include <mutex>
#include <vector>

namespace media {

class TCircularBuffer {
 public:
  explicit TCircularBuffer(int32_t Size);
  TCircularBuffer(const TCircularBuffer&) = delete;
  TCircularBuffer& operator=(const TCircularBuffer&) = delete;

  // Appends all Size bytes, or nothing when they do not fit.
  bool Write(const void* Buf, int32_t Size);
  // Removes exactly Size bytes, or nothing when fewer are held.
  bool Read(void* Buf, int32_t Size);
  // Empties the ring.
  void Clear();

  // Bytes held, and bytes that may still be written plus one. Lock false is
  // for callers that already hold the ring's mutex.
  int32_t GetMaxReadBytes(bool Lock = true);
  int32_t GetMaxWriteBytes(bool Lock = true);

  int32_t WritePosition();
  void SetWritePosition(int32_t Value);
  int32_t ReadPosition();
  void SetReadPosition(int32_t Value);
  int32_t Size();
  // Reallocates the area. The bytes held are kept in order; a size too small
  // to hold them is refused.
  void SetSize(int32_t Value);

 private:
  int32_t MaxReadBytes() const;
  int32_t MaxWriteBytes() const;

  std::mutex FMutex;
  std::vector<uint8_t> FBuffer;
  int32_t FSize = 0;
  int32_t FWritePos = 0;
  int32_t FReadPos = 0;
};

}  // namespace media
