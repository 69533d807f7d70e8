#pragma once
// Opens a media file and reads the basic parameters of its first video and
// first audio stream. The new-conversion dialog uses it to accept or reject a
// source file. Errors are raised as EAVError with the library-facing texts.

#include <QString>

#include "media/LibraryPtrs.h"

class TAVProbe {
 public:
  TAVProbe();
  TAVProbe(const TAVProbe&) = delete;
  TAVProbe& operator=(const TAVProbe&) = delete;
  ~TAVProbe();

  const QString& FileName() const { return FFileName; }
  // Only stores the name; the caller activates the probe to read the file.
  void SetFileName(const QString& value) { FFileName = value; }
  bool Active() const { return FActive; }
  // True opens and inspects FileName (nothing happens when the file does not
  // exist); False closes it. An unchanged value does nothing. A failed open
  // raises EAVError and leaves the probe inactive.
  void SetActive(bool value);

  // Valid after a successful activation.
  bool HasAudio() const { return FHasAudio; }
  bool HasVideo() const { return FHasVideo; }
  const QString& AudioEncoderName() const { return FAudioEncoderName; }
  const QString& VideoEncoderName() const { return FVideoEncoderName; }
  int VideoWidth() const { return FVideoWidth; }
  int VideoHeight() const { return FVideoHeight; }
  int SampleRate() const { return FSampleRate; }
  int Channels() const { return FChannels; }
  int AudioBitrate() const { return FAudioBitrate; }
  int VideoBitrate() const { return FVideoBitrate; }
  double VideoFrameRate() const { return FVideoFrameRate; }

 private:
  void Open();
  void Close();
  // Opens the decoder of stream index of fmt_ctx; it stays open until Close.
  media::CodecContextPtr OpenDecoder(int index, const AVCodec*& decoder);
  void InspectVideo(int index);
  void InspectAudio(int index);

  QString FFileName;
  bool FActive = false;
  media::InputFormatContextPtr fmt_ctx;
  const AVInputFormat* iformat = nullptr;  // never forced: the library detects the format
  media::CodecContextPtr FVideoDecoder;
  media::CodecContextPtr FAudioDecoder;
  bool FHasAudio = false;
  bool FHasVideo = false;
  QString FAudioEncoderName;
  QString FVideoEncoderName;
  int FVideoWidth = 0;
  int FVideoHeight = 0;
  int FSampleRate = 0;
  int FChannels = 0;
  int FAudioBitrate = 0;
  int FVideoBitrate = 0;
  double FVideoFrameRate = 0;
};
