#pragma once
// One picture run through the user's video filters (the stored VideoFilters
// text of a conversion), so that a logo or a text can be placed by looking at
// the preview before anything is converted.

#include <QImage>
#include <QString>

namespace inspect {

// The picture with the filters applied, as the picture at seconds from the
// start of the source (subtitles show what is on screen then). Empty filters
// give the picture back. A null image, with error set, when the filters do
// not run: AviSynth script items are not previewed.
QImage FilterPicture(const QImage& picture, const QString& videoFilters, double seconds, QString* error);

}  // namespace inspect
