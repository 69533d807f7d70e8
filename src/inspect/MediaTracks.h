#pragma once
// What a source offers a conversion: whether it is media at all, its length,
// and its audio and subtitle tracks with the ones a conversion takes unless
// told otherwise. Safe to use on any thread (each call opens the file anew).
//
// A conversion can be told to take other tracks through stream maps; the
// engine wants one map per output stream, so the maps are made knowing which
// output streams the conversion will have.

#include <QString>
#include <QStringList>
#include <vector>

#include "engine/SourcePictures.h"

class TAVConvertOptions;

namespace inspect {

struct TMediaTrack {
  int Stream = -1;  // the stream's index in the source
  QString Label;    // "1. eng (mp2, 2声道)", or "1. mp2, 2声道" without a name
  bool Text = false;  // a subtitle of text (SRT, ASS …), which a filter can draw into the pictures
};

struct TMediaSummary {
  // The file opened and holds a video or an audio stream.
  bool Media = false;
  double Duration = 0;  // seconds; 0 when the source does not tell
  // The streams a conversion takes when not told otherwise; -1: none.
  int BestVideo = -1, BestAudio = -1, BestSubtitle = -1;
  std::vector<TMediaTrack> Audio, Subtitles;
  QString Error;  // why the file is no media, when it is not
  // What the pictures of BestVideo are: scan, colour, HDR (sampled when asked).
  engine::TSourcePictures Pictures;
  int Chapters = 0;
  bool Cover = false;  // a cover picture (an attached picture)
};

// lookAtPictures: decode a few pictures to find interlacing the flags do not
// tell of (a moment's work; a batch leaves it to the conversion).
TMediaSummary ProbeMediaFile(const QString& name, bool lookAtPictures = false);

// Which output streams a conversion with these options into target makes:
// its container's default kinds and the codecs the options name, where the
// source has such a stream and the options do not disable it.
struct TOutputStreams {
  bool Video = false, Audio = false, Subtitle = false;
};
TOutputStreams PlannedOutputStreams(const TAVConvertOptions& options, const QString& target,
                                    const TMediaSummary& source);

// The stream maps ("0=N", one per output stream) of a conversion of source
// that takes audioStream and subtitleStream (-1: the default one) instead of
// the ones it would pick. Empty when those are the defaults anyway: the
// conversion then chooses as it always does.
QStringList StreamMapsFor(const TMediaSummary& source, const TAVConvertOptions& options, const QString& target,
                          int audioStream, int subtitleStream);

}  // namespace inspect
