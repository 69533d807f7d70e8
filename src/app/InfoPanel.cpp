#include "app/InfoPanel.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLocale>
#include <QVBoxLayout>

#include "engine/PicturePlan.h"
#include "inspect/MediaTracks.h"
#include "profiles/CustomProfiles.h"
#include "profiles/ExpectedSize.h"
#include "tasks/Configuration.h"

namespace {

// A group of four captions, each followed by an empty value label.
QGroupBox* InfoGroup(const QString& title, const QStringList& captions, std::initializer_list<QLabel**> values,
                     const QStringList& names, QWidget* parent) {
  auto* group = new QGroupBox(title, parent);
  auto* form = new QFormLayout(group);
  int row = 0;
  for (QLabel** value : values) {
    *value = new QLabel(group);
    (*value)->setObjectName(names[row]);
    (*value)->setTextInteractionFlags(Qt::TextSelectableByMouse);
    form->addRow(captions[row], *value);
    ++row;
  }
  return group;
}

QString ScanText(const engine::TSourcePictures& p) {
  // What the conversion does with it follows the setting of the options.
  const QString deinterlaced =
      AVConfiguration().DeinterlaceMode() != 1 ? QStringLiteral("，转换时去隔行") : QString();
  switch (p.Scan()) {
    case engine::TFieldOrder::TopFirst: return QStringLiteral("隔行扫描(顶场优先)") + deinterlaced;
    case engine::TFieldOrder::BottomFirst: return QStringLiteral("隔行扫描(底场优先)") + deinterlaced;
    case engine::TFieldOrder::Progressive: return QStringLiteral("逐行扫描");
    case engine::TFieldOrder::Unknown: break;
  }
  return {};
}

QString ColourText(const engine::TSourcePictures& p) {
  const engine::TColourTags c = engine::AssumedColour(p);
  QString range = c.range == AVCOL_RANGE_JPEG ? QStringLiteral("，全范围") : QString();
  QString matrix = c.matrix == AVCOL_SPC_BT709                                           ? QStringLiteral("BT.709")
                   : c.matrix == AVCOL_SPC_BT2020_NCL || c.matrix == AVCOL_SPC_BT2020_CL ? QStringLiteral("BT.2020")
                   : c.matrix == AVCOL_SPC_RGB                                             ? QStringLiteral("RGB")
                                                                                           : QStringLiteral("BT.601");
  switch (p.Hdr()) {
    case engine::THdrKind::PQ: return QStringLiteral("HDR10 (PQ)，") + matrix + range;
    case engine::THdrKind::HLG: return QStringLiteral("HDR (HLG)，") + matrix + range;
    case engine::THdrKind::None: break;
  }
  return QStringLiteral("SDR，") + matrix + range;
}

}  // namespace

TFrameVideoInfo::TFrameVideoInfo(QWidget* parent) : QWidget(parent) {
  grpVideo = InfoGroup(QStringLiteral("Video Information"),
                       {QStringLiteral("Frame Size"), QStringLiteral("Video Encoder"), QStringLiteral("Frame Rate"),
                        QStringLiteral("Bitrate(kbps)")},
                       {&lblFrameSize, &lblVEncoder, &lblFrameRate, &lblVideoBitrate},
                       {QStringLiteral("lblFrameSize"), QStringLiteral("lblVEncoder"), QStringLiteral("lblFrameRate"),
                        QStringLiteral("lblVideoBitrate")},
                       this);
  grpAudio = InfoGroup(QStringLiteral("Audio Information"),
                       {QStringLiteral("Sample Rate"), QStringLiteral("Audio Encoder"), QStringLiteral("Channels"),
                        QStringLiteral("Bitrate(kbps)")},
                       {&lblSampleRate, &lblAudioEncoder, &lblChannels, &lblAudioBitrate},
                       {QStringLiteral("lblSampleRate"), QStringLiteral("lblAudioEncoder"),
                        QStringLiteral("lblChannels"), QStringLiteral("lblAudioBitrate")},
                       this);
  grpVideo->setObjectName(QStringLiteral("grpVideo"));
  grpAudio->setObjectName(QStringLiteral("grpAudio"));
  grpAudio->setEnabled(false);  // shown greyed

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(grpVideo, 1);
  layout->addWidget(grpAudio, 1);
  lblExpectedSize = new QLabel(this);
  lblExpectedSize->setObjectName(QStringLiteral("lblExpectedSize"));
  layout->addWidget(lblExpectedSize);
  lblSource = new QLabel(this);
  lblSource->setObjectName(QStringLiteral("lblSource"));
  lblSource->setWordWrap(true);
  lblSource->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(lblSource);
}

void TFrameVideoInfo::ShowSource(const inspect::TMediaSummary* Summary) {
  QStringList lines;
  if (Summary && Summary->Media) {
    if (Summary->BestVideo >= 0) {
      if (const QString scan = ScanText(Summary->Pictures); !scan.isEmpty()) lines << scan;
      lines << ColourText(Summary->Pictures);
    }
    if (Summary->Chapters > 0) lines << QStringLiteral("章节: %1").arg(Summary->Chapters);
    if (Summary->Cover) lines << QStringLiteral("封面: 有");
  }
  lblSource->setText(lines.isEmpty() ? QString() : QStringLiteral("源文件: ") + lines.join(QLatin1Char('\n')));
}

void TFrameVideoInfo::ShowExpectedSize(const TAVProfile* Profile, double Seconds) {
  if (!Profile || Seconds <= 0) {
    lblExpectedSize->clear();
    return;
  }
  const std::optional<int64_t> size = ExpectedFileSize(*Profile, Seconds);
  lblExpectedSize->setText(size ? QStringLiteral("预计大小：约 %1 MB").arg(double(*size) / 1000000.0, 0, 'f', 1)
                                : QStringLiteral("预计大小：由画质决定"));
}

void TFrameVideoInfo::ShowVideoInfo(const QString& EncoderName, int Width, int Height, double FrameRate,
                                    int Bitrate) {
  lblVEncoder->setText(EncoderName);
  lblFrameSize->setText(QStringLiteral("%1x%2").arg(Width).arg(Height));
  lblFrameRate->setText(QString::asprintf("%.2f", FrameRate));
  lblVideoBitrate->setText(QString::number(Bitrate));
}

void TFrameVideoInfo::ShowAudioInfo(const QString& EncoderName, int SampleRate, int Channels, double Bitrate) {
  lblAudioEncoder->setText(EncoderName);
  lblChannels->setText(Channels <= 0 ? QStringLiteral("mono") : QStringLiteral("stereo"));
  lblSampleRate->setText(QString::number(SampleRate));
  lblAudioBitrate->setText(QString::number(Bitrate, 'g', QLocale::FloatingPointShortest));
}

void TFrameVideoInfo::ClearVideoInfo() {
  for (QLabel* label : {lblFrameSize, lblVEncoder, lblFrameRate, lblVideoBitrate}) label->clear();
}

void TFrameVideoInfo::ClearAudioInfo() {
  for (QLabel* label : {lblSampleRate, lblAudioEncoder, lblChannels, lblAudioBitrate}) label->clear();
}

void TFrameVideoInfo::ShowProfile(const TAVProfile* Profile) {
  ClearVideoInfo();
  if (const auto* audio = dynamic_cast<const TAVCustomAudioProfile*>(Profile))
    ShowAudioInfo(audio->AudioEncoderName(), audio->SampleRate(), static_cast<int>(audio->AudioChannels()),
                  audio->AudioBitrate());
  if (const auto* video = dynamic_cast<const TAVCustomVideoProfile*>(Profile))
    ShowVideoInfo(video->VideoEncoderName(), video->FrameWidth(), video->FrameHeight(), video->VideoFrameRate(),
                  video->VideoBitrate());
}
