#pragma once
// How a source's pictures are meant to be shown: phones and cameras store the
// picture as the sensor saw it and a display matrix saying how to turn (and
// mirror) it. The turn is a short list of filter-library filters.

#include <QByteArrayList>

struct AVStream;

namespace engine {

struct TPictureTurn {
  QByteArrayList filters;  // in order, each "name" or "name=args"; empty: shown as stored
  bool swapsSides = false;  // a quarter turn: the shown picture is height × width

  bool IsNone() const { return filters.isEmpty(); }
};

// The turn a display matrix of nine 16.16/2.30 fixed-point numbers asks for.
TPictureTurn TurnOfMatrix(const int32_t matrix[9]);

// The turn the stream's display matrix asks for; none without a matrix.
TPictureTurn TurnOfStream(const AVStream* st);

}  // namespace engine
