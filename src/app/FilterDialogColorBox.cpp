#include "app/FilterDialogColorBox.h"

#include <QPainter>
#include <QPalette>
#include <QPixmap>

namespace {

constexpr int RawRole = Qt::UserRole;  // the entry's TColor as listed (system number for system colours)

struct TSystemColor {
  const char* name;
  QPalette::ColorGroup group;
  QPalette::ColorRole role;
};

// The desktop's colours, numbered in list order; each shows the palette
// colour that plays its part on this desktop.
const TSystemColor SystemColors[] = {
    {"Scroll Bar", QPalette::Active, QPalette::Button},
    {"Background", QPalette::Active, QPalette::Dark},
    {"Active Caption", QPalette::Active, QPalette::Highlight},
    {"Inactive Caption", QPalette::Inactive, QPalette::Mid},
    {"Menu", QPalette::Active, QPalette::Window},
    {"Window", QPalette::Active, QPalette::Base},
    {"Window Frame", QPalette::Active, QPalette::Shadow},
    {"Menu Text", QPalette::Active, QPalette::WindowText},
    {"Window Text", QPalette::Active, QPalette::Text},
    {"Caption Text", QPalette::Active, QPalette::HighlightedText},
    {"Active Border", QPalette::Active, QPalette::Button},
    {"Inactive Border", QPalette::Inactive, QPalette::Button},
    {"Application Workspace", QPalette::Active, QPalette::Mid},
    {"Highlight", QPalette::Active, QPalette::Highlight},
    {"Highlight Text", QPalette::Active, QPalette::HighlightedText},
    {"Button Face", QPalette::Active, QPalette::Button},
    {"Button Shadow", QPalette::Active, QPalette::Dark},
    {"Gray Text", QPalette::Disabled, QPalette::Text},
    {"Button Text", QPalette::Active, QPalette::ButtonText},
    {"Inactive Caption Text", QPalette::Inactive, QPalette::WindowText},
    {"Button Highlight", QPalette::Active, QPalette::Light},
    {"3D Dark Shadow", QPalette::Active, QPalette::Shadow},
    {"3D Light", QPalette::Active, QPalette::Midlight},
    {"Info Text", QPalette::Active, QPalette::ToolTipText},
    {"Info Background", QPalette::Active, QPalette::ToolTipBase},
    {"Hot Light", QPalette::Active, QPalette::Link},
    {"Gradient Active Caption", QPalette::Active, QPalette::Highlight},
    {"Gradient Inactive Caption", QPalette::Inactive, QPalette::Midlight},
    {"Menu Highlight", QPalette::Active, QPalette::Highlight},
    {"Menu Bar", QPalette::Active, QPalette::Window},
};
constexpr TColor SystemColorCount = sizeof SystemColors / sizeof SystemColors[0];

const QList<QPair<QString, TColor>> ExtendedColors{
    {QStringLiteral("Money Green"), 0xC0DCC0},
    {QStringLiteral("Sky Blue"), 0xF0CAA6},
    {QStringLiteral("Cream"), 0xF0FBFF},
    {QStringLiteral("Medium Gray"), 0xA4A0A0},
};

TColor FromQColor(const QColor& c) {
  return static_cast<TColor>(c.red()) | static_cast<TColor>(c.green()) << 8 | static_cast<TColor>(c.blue()) << 16;
}

QColor ToQColor(TColor c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

bool IsSystemNumber(TColor c) { return (c & 0xFF000000u) == SystemColorFlag && (c & 0xFFFFFFu) < SystemColorCount; }

// What a listed value shows: system numbers become the palette's colour.
TColor Shown(TColor raw, const QPalette& palette) {
  if (!IsSystemNumber(raw)) return raw & 0xFFFFFFu;
  const TSystemColor& system = SystemColors[raw & 0xFFFFFFu];
  return FromQColor(palette.color(system.group, system.role));
}

QIcon Swatch(const QColor& colour) {
  QPixmap pixmap(16, 16);
  pixmap.fill(colour);
  QPainter painter(&pixmap);
  painter.setPen(Qt::black);
  painter.drawRect(0, 0, 15, 15);
  return QIcon(pixmap);
}

}  // namespace

const QList<QPair<QString, TColor>>& TColorBox::StandardColors() {
  static const QList<QPair<QString, TColor>> colours{
      {QStringLiteral("Black"), 0x000000},  {QStringLiteral("Maroon"), 0x000080}, {QStringLiteral("Green"), 0x008000},
      {QStringLiteral("Olive"), 0x008080},  {QStringLiteral("Navy"), 0x800000},   {QStringLiteral("Purple"), 0x800080},
      {QStringLiteral("Teal"), 0x808000},   {QStringLiteral("Gray"), 0x808080},   {QStringLiteral("Silver"), 0xC0C0C0},
      {QStringLiteral("Red"), 0x0000FF},    {QStringLiteral("Lime"), 0x00FF00},   {QStringLiteral("Yellow"), 0x00FFFF},
      {QStringLiteral("Blue"), 0xFF0000},   {QStringLiteral("Fuchsia"), 0xFF00FF}, {QStringLiteral("Aqua"), 0xFFFF00},
      {QStringLiteral("White"), 0xFFFFFF},
  };
  return colours;
}

TColorBox::TColorBox(int Styles, QWidget* parent) : QComboBox(parent) {
  setEditable(false);
  if (Styles & cbStandardColors)
    for (const auto& [name, value] : StandardColors()) AddColor(name, value);
  if (Styles & cbExtendedColors)
    for (const auto& [name, value] : ExtendedColors) AddColor(name, value);
  if (Styles & cbSystemColors)
    for (TColor i = 0; i < SystemColorCount; ++i) AddColor(QLatin1String(SystemColors[i].name), SystemColorFlag | i);
}

TColor TColorBox::Selected() const {
  const int row = currentIndex();
  if (row < 0) return 0;
  return Shown(itemData(row, RawRole).value<TColor>(), palette());
}

void TColorBox::SetSelected(TColor Value) {
  int row = FindColor(Value);
  if (row < 0) {
    AddColor(QStringLiteral("Custom"), Value & 0xFFFFFFu);
    row = count() - 1;
  }
  setCurrentIndex(row);
}

void TColorBox::AddColor(const QString& Name, TColor Value) {
  addItem(Swatch(ToQColor(Shown(Value, palette()))), Name, QVariant::fromValue(Value));
}

int TColorBox::FindColor(TColor Value) const {
  for (int row = 0; row < count(); ++row) {
    const TColor raw = itemData(row, RawRole).value<TColor>();
    if (IsSystemNumber(Value) ? raw == Value : !IsSystemNumber(raw) && raw == Value) return row;
  }
  // A colour no fixed entry has may still be what a system entry shows.
  for (int row = 0; row < count(); ++row)
    if (Shown(itemData(row, RawRole).value<TColor>(), palette()) == Value) return row;
  return -1;
}
