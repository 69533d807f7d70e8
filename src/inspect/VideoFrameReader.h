#pragma once
// Reads the first video stream of a media file (or of a "stream:N" byte
// stream) and answers the picture that is on screen at a given time: the last
// decoded picture whose time is not after it, not merely the key frame before
// it. Moving forward a little keeps decoding where it stands instead of
// seeking, so scrubbing ahead stays cheap.

#include <QString>
#include <QTransform>
#include <cstdint>

#include "engine/SourcePictures.h"
#include "media/LibraryPtrs.h"

namespace inspect {

class TVideoFrameReader {
 public:
  TVideoFrameReader() = default;
  TVideoFrameReader(const TVideoFrameReader&) = delete;
  TVideoFrameReader& operator=(const TVideoFrameReader&) = delete;

  // Opens name and the decoder of its first video stream. False when the
  // input cannot be opened or probed, has no video stream, or its decoder is
  // missing or refuses to open; the reader is then closed.
  bool Open(const QString& name);
  void Close();
  bool IsOpen() const { return ic != nullptr; }

  // The input's clock, in microseconds: its start time (0 when it gives
  // none) and its duration (AV_NOPTS_VALUE when unknown).
  int64_t StartTime() const { return FStartTime; }
  int64_t Duration() const { return FDuration; }
  // How the stream's pictures are turned to be shown upright (its display
  // matrix); the identity when the stream has none.
  const QTransform& Turn() const { return FTurn; }
  // What the stream says of its pictures: scan, colour, HDR.
  const engine::TSourcePictures& Pictures() const { return FPictures; }

  // The picture on screen at position (microseconds on the input's clock,
  // start time included). seekFailed tells that the input could not be
  // positioned; the answer is then the next picture that could be read.
  // Null when nothing could be decoded; the reader stays usable.
  const AVFrame* FrameAt(int64_t position, bool& seekFailed);

 private:
  enum TReadState { rsFresh, rsReading, rsEnded, rsLost };

  int OpenInput(const QString& name);
  bool OpenDecoder();
  bool CanDecodeOnTo(int64_t position) const;
  bool Seek(int64_t timestamp, int streamIndex);
  // The answer after a seek that may have landed past position: steps back
  // to the key frame before the one it landed on.
  const AVFrame* FrameAfterSeek(int64_t position);
  // Decodes on until the picture after position; starting from the picture
  // shown when continuing. exact = false takes the first picture read.
  const AVFrame* DecodeOnTo(int64_t position, bool exact, bool continuing);
  // The next picture in display order (a kept look-ahead picture first).
  bool NextPicture(media::FramePtr& picture);
  bool FeedDecoder();
  // True for a packet whose picture is certainly replaced on screen before
  // FTarget: a picture fed earlier shows after it and not after FTarget.
  bool HiddenBeforeTarget(int64_t packetTime) const;
  int64_t PictureTime(const AVFrame* picture) const;
  int64_t LastDecodedTime() const;

  media::InputFormatContextPtr ic;
  int videoStream = -1;
  media::CodecContextPtr pCodecCtx;
  const AVCodec* pCodec = nullptr;
  media::PacketPtr FPacket;
  media::FramePtr pFrame;      // the picture answered last
  media::FramePtr FAhead;      // decoded after pFrame, not answered yet
  int64_t FFrameTime = 0;      // their times in microseconds
  int64_t FAheadTime = 0;
  TReadState FState = rsFresh;
  bool FInputEnded = false;    // the decoder has been told that no packet follows
  // Pictures that nothing refers to and that are hidden before the target
  // are not decoded at all (AV_NOPTS_VALUE: decode everything).
  int64_t FTarget = AV_NOPTS_VALUE;
  int64_t FLatestFedTime = AV_NOPTS_VALUE;  // the latest picture time fed since the last seek
  int64_t FStartTime = 0;
  int64_t FDuration = 0;
  QTransform FTurn;
  engine::TSourcePictures FPictures;
};

}  // namespace inspect
