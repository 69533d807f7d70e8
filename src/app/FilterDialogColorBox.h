#pragma once
// A drop-down list of colours, each entry a swatch and a name: the sixteen
// standard colours, four extended ones and the desktop's system colours.
// Values are TColor (0x00BBGGRR).

#include <QComboBox>

#include "filters/AVFilter.h"

enum TColorBoxStyle { cbStandardColors = 1, cbExtendedColors = 2, cbSystemColors = 4 };

class TColorBox : public QComboBox {
  Q_OBJECT

 public:
  // Styles is a combination of TColorBoxStyle flags.
  explicit TColorBox(int Styles, QWidget* parent = nullptr);

  // The selected entry's colour; a system colour as the colour it shows
  // (its current desktop value), never as its system number. Black when
  // nothing is selected.
  TColor Selected() const;
  // Selects the first entry of that colour (a system number selects its
  // system entry). A colour of no entry gets an entry "Custom" of its own, so
  // that it is kept.
  void SetSelected(TColor Value);

  // The colours of the sixteen standard entries, in list order.
  static const QList<QPair<QString, TColor>>& StandardColors();

 private:
  void AddColor(const QString& Name, TColor Value);
  int FindColor(TColor Value) const;
};

// The system number of a colour entry: flag byte 0xFF, index below.
constexpr TColor SystemColorFlag = 0xFF000000u;
