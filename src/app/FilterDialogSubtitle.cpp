#include "app/FilterDialogSubtitle.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

#include "app/FilterDialogColorBox.h"

namespace {
constexpr TColor Yellow = 0x00FFFF;
}

const QStringList& TFormSubtitleFilter::CodePageNames() {
  static const QStringList names{
      "ISO-2022-JP", "ISO-2022-JP-1", "ISO-2022-JP-2", "ISO-8859-1",  "ISO-8859-2",  "ISO-8859-3",      "ISO-8859-4",
      "ISO-8859-5",  "ISO-8859-6",    "ISO-8859-7",    "ISO-8859-8",  "ISO-8859-9",  "ISO-8859-10",     "ISO-8859-13",
      "ISO-8859-14", "ISO-8859-15",   "ISO-8859-16",   "KOI8-R",      "KOI8-U",      "KOI8-RU",         "cp1250",
      "cp1251",      "cp1252",        "cp1253",        "cp1254",      "cp1255",      "cp1256",          "cp1257",
      "cp850",       "cp862",         "cp866",         "cp932",       "cp1131",      "EUC-JP",          "SHIFT_JIS",
      "EUC-CN",      "HZ",            "GBK",           "CP936",       "GB18030",     "EUC-TW",          "BIG5",
      "CP950",       "BIG5-HKSCS",    "ISO-2022-CN",   "ISO-2022-CN-EXT", "EUC-KR",  "CP949",           "ISO-2022-KR",
      "JOHAB",       "VISCII",        "TCVN",          "CP1258",      "UTF-8",       "UCS-2",           "UCS-2BE",
      "UCS-2LE",     "UCS-4",         "UCS-4BE",       "UCS-4LE",     "UTF-16",      "UTF-16BE",        "UTF-16LE",
      "UTF-32",      "UTF-32BE",      "UTF-32LE",      "UTF-7",
  };
  return names;
}

TFormSubtitleFilter::TFormSubtitleFilter(QWidget* parent)
    : TFilterDialog(QStringLiteral("字幕设置"), QSize(514, 183), parent) {
  edtSubtitle = new TFileEdit(QStringLiteral("SSA Files(*.ssa)|*.ssa|ASS Files(*.ass)|*.ass|SRT Files(*.srt)|*.srt|"
                                             "Other Subtitle Files(*.txt)|*.txt"),
                              Panel());
  edtSubtitle->setObjectName(QStringLiteral("edtSubtitle"));
  edtFont = new TFileEdit(QStringLiteral("Font File(*.ttf)|*.ttf"), Panel());
  edtFont->setObjectName(QStringLiteral("edtFont"));
  cbColor = new TColorBox(cbStandardColors | cbExtendedColors | cbSystemColors, Panel());
  cbColor->setObjectName(QStringLiteral("cbColor"));
  cbColor->SetSelected(Yellow);
  cbbCodePage = new QComboBox(Panel());
  cbbCodePage->setObjectName(QStringLiteral("cbbCodePage"));
  cbbCodePage->setEditable(true);
  cbbCodePage->setInsertPolicy(QComboBox::NoInsert);
  cbbCodePage->addItems(CodePageNames());
  cbbCodePage->setCurrentIndex(-1);
  cbbCodePage->setEditText(QString());

  auto* grid = new QGridLayout(Panel());
  grid->addWidget(new QLabel(QStringLiteral("文件"), Panel()), 0, 0);
  grid->addWidget(edtSubtitle, 0, 1, 1, 3);
  grid->addWidget(new QLabel(QStringLiteral("字体文件"), Panel()), 1, 0);
  grid->addWidget(edtFont, 1, 1, 1, 3);
  grid->addWidget(new QLabel(QStringLiteral("字体颜色"), Panel()), 2, 0);
  grid->addWidget(cbColor, 2, 1);
  grid->addWidget(new QLabel(QStringLiteral("Code Page"), Panel()), 2, 2);
  grid->addWidget(cbbCodePage, 2, 3);
  grid->setColumnStretch(1, 1);
  grid->setColumnStretch(3, 1);

  WatchInput(edtSubtitle, &TFileEdit::FileNameChanged);
  WatchInput(edtFont, &TFileEdit::FileNameChanged);
  edtSubtitle->setFocus();  // the field a user fills first
  UpdateOkButton();
}

TColor TFormSubtitleFilter::FontColor() const { return cbColor->Selected(); }
void TFormSubtitleFilter::SetFontColor(TColor Value) { cbColor->SetSelected(Value); }
QString TFormSubtitleFilter::CodePage() const { return cbbCodePage->currentText().trimmed(); }
void TFormSubtitleFilter::SetCodePage(const QString& Value) { cbbCodePage->setEditText(Value); }

bool TFormSubtitleFilter::InputValid() const {
  return FileExists(edtSubtitle->FileName()) && FileExists(edtFont->FileName());
}
