#pragma once
// A small DVD-Video authored at test time with the ffmpeg tool, dvdauthor and
// genisoimage, once per build tree (build/fixtures/dvd-*/).
//
// Title 1: 10 s of testsrc2 (352x288, 25 frames/s) with a 440 Hz tone, five
// chapters of 2 s each. Title 2: 3 s of colour bars with an 880 Hz tone, one
// chapter. Both titles lie in one title set; the image's volume label is
// MY_MOVIE.

#include <QString>

namespace testing_support {

struct TAuthoredDvd {
  QString Folder;        // the disc's root folder (holds VIDEO_TS)
  QString VideoTs;       // its VIDEO_TS folder
  QString Iso;           // the same disc as an image
  QString TitleSetVob;   // VTS_01_1.VOB: both titles' blocks, title 1 first
  QString Title1Source;  // the program stream title 1 was authored from
};

constexpr int DvdFrameRate = 25;
constexpr int Title1Chapters = 5;
constexpr int ChapterSeconds = 2;
constexpr int Title2Seconds = 3;

// Fails the current test (and returns empty paths) when a tool fails.
const TAuthoredDvd& AuthoredDvd();

// A DVD-sized image of a folder holding only a text file.
QString DataDiscImage(const QString& folder);

}  // namespace testing_support
