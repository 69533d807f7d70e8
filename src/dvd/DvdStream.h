#pragma once
// A range of chapters of one DVD title, in one angle, as a seekable byte
// stream of MPEG program stream: what the demuxer reads as "stream:N".
//
// Byte p of the stream is byte p % 2048 of block FChapterPos + p / 2048 of
// the title. Blocks come from the navigation layer one at a time into a ring
// from which reads are served.

#include "dvd/DvdNav.h"
#include "media/ByteStream.h"
#include "media/CircularBuffer.h"

namespace dvd {

class TDvdStream : public media::TByteStream {
 public:
  static constexpr int32_t RingSize = 16588800;  // 8100 blocks

  // Chapters AChapter to AThrough (positions from 1 in the title's chapter
  // list) in angle AAngle. Raises EDvdError "打不开标题" when the disc cannot
  // be opened and "Can not start chapter" when the range cannot be played.
  TDvdStream(const hb_title_t& ATitle, int32_t AAngle, int32_t AChapter, int32_t AThrough);
  ~TDvdStream() override;

  int Read(void* Buffer, int Count) override;
  // Only from the beginning; -1 for other origins and for a position the
  // disc refuses, reading then goes on where it was.
  int64_t Seek(int64_t Offset, media::TSeekOrigin Origin) override;
  int64_t Size() override;

  int32_t Chapter() const { return FChapter; }
  int32_t Through() const { return FThrough; }
  int32_t Angle() const { return FAngle; }

 private:
  // Reads one block through Read and returns the block position it came from.
  uint32_t FirstBlockPosition(uint32_t* titleLength);
  [[noreturn]] void FailToStart();
  bool Reposition(int64_t blocks);

  DvdNavPtr FDvd;
  hb_title_t FTitle;  // a copy: the scan's record may go before the stream does
  int32_t FAngle = 1;
  int32_t FChapter = 0;
  int32_t FThrough = 0;
  media::TCircularBuffer FBuffer{RingSize};
  int64_t FSize = 0;
  int32_t FPrevChapter = 0;
  uint32_t FChapterPos = 0;
  uint32_t FThroughPos = 0;
  bool FSeeking = false;
  bool FAtEnd = false;  // sought to the very end: nothing to read until the next seek
};

}  // namespace dvd
