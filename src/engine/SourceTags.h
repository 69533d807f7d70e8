#pragma once
// What a source says about itself travels into the target: its tags (title,
// artist, album, track, date, creation time …) and its cover pictures. The
// muxers turn the library's common tag names into their own (ID3v2, iTunes
// atoms, Vorbis comments, Matroska and ASF tags); the tags the profile or the
// user set are kept over the source's.

#include <QString>
#include <functional>
#include <vector>

extern "C" {
#include <libavformat/avformat.h>
}

namespace engine {

// Copies the source's tags into target, leaving out those that describe the
// source file's own making (encoder, brands, gapless padding …) and keeping
// every tag target already has.
void CopySourceTags(AVDictionary** target, const AVDictionary* source);

// A cover picture of a source (an attached picture, not a video to convert).
bool IsCover(const AVStream* st);

// One cover picture on its way into an output file.
struct TCoverArt {
  AVStream* out = nullptr;           // the output's stream of it
  const AVPacket* picture = nullptr;  // the source's picture, written once after the header
};

// Adds a stream to oc for each cover of the inputs that oc's container keeps
// (MP3, MP4/M4A, FLAC: as pictures; Matroska: as attachments, which need no
// packet). Covers a container cannot keep are told to note and left out.
std::vector<TCoverArt> AddCoverStreams(AVFormatContext* oc, const std::vector<const AVFormatContext*>& inputs,
                                       const std::function<void(const QString&)>& note);

// Writes the covers' pictures; a picture the muxer refuses is told to note
// and the run goes on without it.
void WriteCovers(AVFormatContext* oc, const std::vector<TCoverArt>& covers,
                 const std::function<void(const QString&)>& note);

}  // namespace engine
