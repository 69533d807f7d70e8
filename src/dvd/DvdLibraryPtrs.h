#pragma once
// Owning pointers for libdvdread's and libdvdnav's objects.

#include <QString>
#include <memory>

#include <dvdnav/dvdnav.h>
#include <dvdread/dvd_reader.h>
#include <dvdread/ifo_read.h>

namespace dvd {

struct DvdReaderDeleter {
  void operator()(dvd_reader_t* r) const { DVDClose(r); }
};
struct IfoDeleter {
  void operator()(ifo_handle_t* i) const { ifoClose(i); }
};
struct NavDeleter {
  void operator()(dvdnav_t* n) const { dvdnav_close(n); }
};

using DvdReaderPtr = std::unique_ptr<dvd_reader_t, DvdReaderDeleter>;
using IfoPtr = std::unique_ptr<ifo_handle_t, IfoDeleter>;
using NavPtr = std::unique_ptr<dvdnav_t, NavDeleter>;

// The libraries write their messages to standard error unless given a
// logger; a disc that cannot be read is an answer here, not an event to tell
// the user about, so their messages are dropped.
extern const dvd_logger_cb QuietReaderLog;
extern const dvdnav_logger_cb QuietNavLog;

// Opens a disc path (device, disc folder, VIDEO_TS folder or image) for
// reading its structure; none when it cannot be read.
DvdReaderPtr OpenDiscReader(const QString& path);

}  // namespace dvd
