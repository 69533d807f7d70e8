#include "filters/VideoFilters.h"

#include <QStringList>

#include "filters/FilterStrings.h"

using filters::EscapePath;
using filters::RgbValue;

TFilterDialogHook<TLogoFilter> TLogoFilter::DialogHook;
TFilterDialogHook<TOverlayTextFilter> TOverlayTextFilter::DialogHook;
TFilterDialogHook<TSubtitleFilter> TSubtitleFilter::DialogHook;
TFilterDialogHook<TVideoStdFilter> TVideoStdFilter::DialogHook;

void TLogoFilter::GetFilterString(QString& S) const {
  S = QStringLiteral("logo=%1|%2|%3").arg(QString::number(FX), QString::number(FY), EscapePath(FLogoFile));
}

void TLogoFilter::GetFilterName(QString& S) const { S = QStringLiteral("Logo Filter"); }

void TOverlayTextFilter::GetFilterString(QString& S) const {
  // The font path sits between backslash-quote pairs, the text between plain
  // quotes; the text colour ends in alpha FF, the background in 00.
  S = QStringLiteral("drawtext=fontfile=\\'%1\\'#text='%2'#x=%3#y=%4#fontsize=%5")
          .arg(EscapePath(FFontFile), QString(FText).replace(QLatin1String("\r\n"), QLatin1String("\\n")),
               QString::number(FX), QString::number(FY), QString::number(FFontSize)) +
      QString::asprintf("#fgcolor=0x%.6XFF#bgcolor=0x%.6X00", RgbValue(FFontColor), RgbValue(FBgColor));
}

void TOverlayTextFilter::GetFilterName(QString& S) const { S = QStringLiteral("Overlay Text Filter"); }

void TSubtitleFilter::GetFilterString(QString& S) const {
  S = QStringLiteral("ass=filename$%1#font$%2").arg(EscapePath(FSubtitleFile), EscapePath(FFontFile)) +
      QString::asprintf("#color$0x%X00", RgbValue(FFontColor));
  if (!FCodePage.isEmpty()) S += QStringLiteral("#codepage$") + FCodePage;
}

void TSubtitleFilter::GetFilterName(QString& S) const { S = QStringLiteral("Hard Subtitle Filter"); }

void TVideoStdFilter::GetFilterString(QString& S) const {
  QStringList operations;
  if (FVerticalFilp) operations << QStringLiteral("vflip");
  if (FHorizontalFilip) operations << QStringLiteral("hflip");
  if (FDrawBox)
    operations << QStringLiteral("drawbox=%1:%2:%3:%4:%5")
                      .arg(QString::number(FBX), QString::number(FBY), QString::number(FBWidth),
                           QString::number(FBHeight), FBColor);
  if (FNegate) operations << QStringLiteral("negate");
  if (FRotate) operations << QStringLiteral("rotate=%1").arg(FDegree);
  S = filters::JoinFilterStrings(operations);
}

void TVideoStdFilter::GetFilterName(QString& S) const { S = QStringLiteral("Standar Filters"); }
