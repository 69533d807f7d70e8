#include "engine/PictureTurn.h"

#include <cmath>
#include <cstring>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/display.h>
}

namespace engine {

namespace {

// Where the matrix sends a unit step along the stored picture's x axis (a, b)
// and its y axis (c, d), y pointing down as on screen.
struct TAxes {
  double a, b, c, d;
};

// +1 or -1 when v is (nearly) a whole unit along an axis, 0 otherwise.
int UnitSign(double v, double across) {
  if (std::fabs(across) > 1e-3 * std::fabs(v)) return 0;
  return v > 0 ? 1 : v < 0 ? -1 : 0;
}

// Axis-aligned turns: where x and y of the stored picture end up on screen.
// A quarter turn is a transpose of the filter library in one of its four
// directions; half turns and mirrors are flips.
bool AxisAlignedTurn(const TAxes& m, TPictureTurn& turn) {
  const int xr = UnitSign(m.a, m.b), yd = UnitSign(m.d, m.c);
  if (xr != 0 && yd != 0) {  // x stays horizontal, y vertical
    if (xr < 0) turn.filters << "hflip";
    if (yd < 0) turn.filters << "vflip";
    return true;
  }
  const int xd = UnitSign(m.b, m.a), yr = UnitSign(m.c, m.d);
  if (xd == 0 || yr == 0) return false;
  turn.swapsSides = true;
  // x goes down and y left: clockwise; x up, y right: counter-clockwise;
  // x down, y right: the plain transpose; x up, y left: the other diagonal.
  const char* direction = xd > 0 ? (yr < 0 ? "clock" : "cclock_flip") : (yr > 0 ? "cclock" : "clock_flip");
  turn.filters << QByteArray("transpose=") + direction;
  return true;
}

}  // namespace

TPictureTurn TurnOfMatrix(const int32_t matrix[9]) {
  TPictureTurn turn;
  const TAxes m{matrix[0] / 65536.0, matrix[1] / 65536.0, matrix[3] / 65536.0, matrix[4] / 65536.0};
  if (m.a * m.d - m.b * m.c == 0) return turn;  // degenerate: nothing sensible to show
  if (AxisAlignedTurn(m, turn)) return turn;
  // Any other angle: a mirrored matrix is a horizontal flip followed by a turn.
  const bool mirrored = m.a * m.d - m.b * m.c < 0;
  const double a = mirrored ? -m.a : m.a, b = mirrored ? -m.b : m.b;
  const double radians = std::atan2(b, a);  // clockwise on screen
  if (mirrored) turn.filters << "hflip";
  turn.filters << QByteArray("rotate=") + QByteArray::number(radians, 'f', 6);
  return turn;
}

TPictureTurn TurnOfStream(const AVStream* st) {
  size_t size = 0;
  const uint8_t* data = av_stream_get_side_data(st, AV_PKT_DATA_DISPLAYMATRIX, &size);
  if (!data || size < 9 * sizeof(int32_t)) return {};
  int32_t matrix[9];
  std::memcpy(matrix, data, sizeof matrix);
  return TurnOfMatrix(matrix);
}

}  // namespace engine
