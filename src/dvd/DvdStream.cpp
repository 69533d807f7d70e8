#include "dvd/DvdStream.h"

#include <algorithm>
#include <vector>

#include "dvd/DvdError.h"

namespace dvd {

namespace {

// Player events passed over in a row before a read gives up on the disc.
constexpr int MaxIdleReads = 1 << 16;

}  // namespace

TDvdStream::TDvdStream(const hb_title_t& ATitle, int32_t AAngle, int32_t AChapter, int32_t AThrough)
    : FTitle(ATitle), FAngle(AAngle) {
  FDvd.reset(hb_dvdnav_init(FTitle.dvd));
  if (!FDvd) throw EDvdError(QStringLiteral("打不开标题"));
  const hb_chapter_t* through = hb_list_item(FTitle.list_chapter, AThrough - 1);
  const hb_chapter_t* first = hb_list_item(FTitle.list_chapter, AChapter - 1);
  if (!through || !first || first->index > through->index) FailToStart();
  FThrough = through->index;
  FChapter = first->index;
  const int chapters = hb_list_count(FTitle.list_chapter);

  uint32_t titleLength = 0;
  // The range ends where the chapter after it starts ...
  if (FThrough < chapters) {
    if (!hb_dvdnav_start(FDvd.get(), &FTitle, FThrough + 1)) FailToStart();
    FThroughPos = FirstBlockPosition(&titleLength);
    hb_dvdnav_stop(FDvd.get());
  }
  if (!hb_dvdnav_start(FDvd.get(), &FTitle, FChapter)) FailToStart();
  FPrevChapter = FChapter;
  FChapterPos = FirstBlockPosition(&titleLength);
  // ... or with the title.
  if (FThrough == chapters) FThroughPos = titleLength;
  hb_dvdnav_set_angle(FDvd.get(), FAngle);
}

TDvdStream::~TDvdStream() {
  if (FDvd) hb_dvdnav_stop(FDvd.get());
}

void TDvdStream::FailToStart() {
  FDvd.reset();
  throw EDvdError(QStringLiteral("Can not start chapter"));
}

// A start has already fetched the chapter's first block (it stays to be
// read as the stream's first bytes), so the player knows where it stands.
uint32_t TDvdStream::FirstBlockPosition(uint32_t* titleLength) {
  uint32_t position = 0;
  if (!hb_dvdnav_get_position(FDvd.get(), &position, titleLength)) FailToStart();
  return position;
}

int64_t TDvdStream::Size() {
  FSize = std::max<int64_t>(0, int64_t(FThroughPos) - int64_t(FChapterPos)) * DvdBlockSize;
  return FSize;
}

int TDvdStream::Read(void* Buffer, int Count) {
  if (Count <= 0 || FAtEnd) return 0;
  // A request the ring can hold with a block to spare; the caller asks again.
  Count = std::min(Count, RingSize - 2 * DvdBlockSize);
  if (FBuffer.Read(Buffer, Count)) return Count;

  uint8_t block[DvdBlockSize];
  for (;;) {
    const int chapter = hb_dvdnav_chapter(FDvd.get());
    if (FSeeking) FPrevChapter = chapter;
    if (chapter < FPrevChapter) break;  // navigation went backwards
    FPrevChapter = chapter;
    if (chapter < 0 || chapter < FChapter || chapter > FThrough) break;

    int length = 0, event = 0, result = 0;
    for (int idle = 0; idle < MaxIdleReads; ++idle)
      if ((result = hb_dvdnav_read(FDvd.get(), block, &length, &event)) != 0) break;
    if (result == 0) break;
    if (result == -1) continue;
    FBuffer.Write(block, length);
    if (FBuffer.Read(Buffer, Count)) return Count;
  }
  const int rest = FBuffer.GetMaxReadBytes();
  FBuffer.Read(Buffer, rest);
  return rest;
}

bool TDvdStream::Reposition(int64_t blocks) {
  if (blocks > 0) return hb_dvdnav_seek(FDvd.get(), int64_t(FChapterPos) + blocks) == 1;
  if (!hb_dvdnav_start(FDvd.get(), &FTitle, FChapter)) {
    FAtEnd = true;  // the disc broke under us: the stream ends here
    return false;
  }
  hb_dvdnav_set_angle(FDvd.get(), FAngle);
  return true;
}

int64_t TDvdStream::Seek(int64_t Offset, media::TSeekOrigin Origin) {
  if (Origin != media::soBeginning || Offset < 0) return -1;
  struct TSeeking {
    bool& flag;
    explicit TSeeking(bool& f) : flag(f) { flag = true; }
    ~TSeeking() { flag = false; }
  } seeking(FSeeking);

  // Clamped to the real size even before anyone asked for it.
  Offset = std::min(Offset, Size());
  if (Offset == FSize) {
    FBuffer.Clear();
    FAtEnd = true;
    return Offset;
  }
  if (!Reposition(Offset / DvdBlockSize)) return -1;
  FBuffer.Clear();
  FAtEnd = false;
  FPrevChapter = FChapter;
  if (const int skip = static_cast<int>(Offset % DvdBlockSize)) {
    std::vector<uint8_t> scratch(static_cast<size_t>(skip));
    Read(scratch.data(), skip);
  }
  return Offset;
}

}  // namespace dvd
