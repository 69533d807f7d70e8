#include "media/CircularBuffer.h"

#include <algorithm>
#include <cstring>

namespace media {

TCircularBuffer::TCircularBuffer(int32_t Size) : FBuffer(static_cast<size_t>(std::max(Size, 1))), FSize(std::max(Size, 1)) {}

int32_t TCircularBuffer::MaxReadBytes() const {
  if (FWritePos == FReadPos) return 0;
  return FWritePos - FReadPos + (FReadPos > FWritePos ? FSize : 0);
}

int32_t TCircularBuffer::MaxWriteBytes() const {
  if (FWritePos == FReadPos) return FSize;
  return FReadPos - FWritePos + (FWritePos > FReadPos ? FSize : 0);
}

int32_t TCircularBuffer::GetMaxReadBytes(bool Lock) {
  if (!Lock) return MaxReadBytes();
  std::lock_guard guard(FMutex);
  return MaxReadBytes();
}

int32_t TCircularBuffer::GetMaxWriteBytes(bool Lock) {
  if (!Lock) return MaxWriteBytes();
  std::lock_guard guard(FMutex);
  return MaxWriteBytes();
}

bool TCircularBuffer::Write(const void* Buf, int32_t Size) {
  std::lock_guard guard(FMutex);
  if (Size < 0 || Size >= MaxWriteBytes()) return false;
  const auto* bytes = static_cast<const uint8_t*>(Buf);
  if (FWritePos + Size < FSize) {
    std::memcpy(FBuffer.data() + FWritePos, bytes, static_cast<size_t>(Size));
    FWritePos += Size;
  } else {
    const int32_t tail = FSize - FWritePos;
    std::memcpy(FBuffer.data() + FWritePos, bytes, static_cast<size_t>(tail));
    std::memcpy(FBuffer.data(), bytes + tail, static_cast<size_t>(Size - tail));
    FWritePos = Size - tail;
  }
  return true;
}

bool TCircularBuffer::Read(void* Buf, int32_t Size) {
  std::lock_guard guard(FMutex);
  if (Size < 0 || Size > MaxReadBytes()) return false;
  auto* bytes = static_cast<uint8_t*>(Buf);
  if (FReadPos + Size <= FSize) {
    std::memcpy(bytes, FBuffer.data() + FReadPos, static_cast<size_t>(Size));
    FReadPos += Size;  // may reach FSize, which reads like 0
  } else {
    const int32_t tail = FSize - FReadPos;
    std::memcpy(bytes, FBuffer.data() + FReadPos, static_cast<size_t>(tail));
    std::memcpy(bytes + tail, FBuffer.data(), static_cast<size_t>(Size - tail));
    FReadPos = Size - tail;
  }
  return true;
}

void TCircularBuffer::Clear() {
  std::lock_guard guard(FMutex);
  FWritePos = 0;
  FReadPos = 0;
}

int32_t TCircularBuffer::WritePosition() {
  std::lock_guard guard(FMutex);
  return FWritePos;
}

void TCircularBuffer::SetWritePosition(int32_t Value) {
  std::lock_guard guard(FMutex);
  if (Value >= 0 && Value < FSize) FWritePos = Value;
}

int32_t TCircularBuffer::ReadPosition() {
  std::lock_guard guard(FMutex);
  return FReadPos;
}

void TCircularBuffer::SetReadPosition(int32_t Value) {
  std::lock_guard guard(FMutex);
  if (Value >= 0 && Value <= FSize) FReadPos = Value;
}

int32_t TCircularBuffer::Size() {
  std::lock_guard guard(FMutex);
  return FSize;
}

void TCircularBuffer::SetSize(int32_t Value) {
  std::lock_guard guard(FMutex);
  const int32_t held = MaxReadBytes();
  if (Value == FSize || Value < 1 || held >= Value) return;
  // Held bytes that wrap around the old end, or positions past the new end,
  // would read as garbage in the new area: those move to its start.
  const bool keepPositions = FReadPos <= FWritePos && FWritePos < Value && FReadPos < Value;
  std::vector<uint8_t> area(static_cast<size_t>(Value));
  if (keepPositions) {
    std::memcpy(area.data(), FBuffer.data(), static_cast<size_t>(std::min(FSize, Value)));
  } else {
    const int32_t first = std::min(held, FSize - FReadPos);
    std::memcpy(area.data(), FBuffer.data() + FReadPos, static_cast<size_t>(first));
    std::memcpy(area.data() + first, FBuffer.data(), static_cast<size_t>(held - first));
    FReadPos = 0;
    FWritePos = held;
  }
  FBuffer.swap(area);
  FSize = Value;
}

}  // namespace media
