#include "app/ProfileEditorFrame.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QVBoxLayout>

#include "profiles/CustomProfiles.h"

namespace {

const QStringList SampleRateChoices{"8000", "16000", "22050", "32000", "41000", "44100", "48000"};
const QStringList AudioBitrateChoices{"12.2", "32", "64", "80", "96", "112", "128", "160", "192", "224", "448"};
// A file size instead of a bitrate, in MB; 0: the bitrate holds.
const QStringList TargetSizeChoices{"0", "10", "25", "50", "100", "200", "500", "700", "1000", "2000", "4000"};
const QStringList VideoBitrateChoices{"128",  "192",  "256",  "384",  "512",  "640",  "768",  "900",
                                      "1000", "1200", "1500", "1800", "2000", "2500", "3000", "4000",
                                      "5000", "6000", "8000", "12000", "15000", "35000"};

// The display texts of a table's rows, in ordinal order.
template <typename Table, typename Member>
QStringList TableTexts(const Table& table, Member member) {
  QStringList texts;
  for (const auto& row : table) texts << QString::fromUtf8(row.*member);
  return texts;
}

// A list that accepts only its choices.
QComboBox* ChoiceList(const QString& name, const QStringList& choices, QWidget* parent) {
  auto* list = new QComboBox(parent);
  list->setObjectName(name);
  list->setEditable(false);
  list->addItems(choices);
  list->setCurrentIndex(-1);
  return list;
}

// Selects the row of an ordinal; nothing for a value outside the list.
template <typename Enum>
void SelectOrdinal(QComboBox* list, Enum value) {
  const int row = static_cast<int>(value);
  list->setCurrentIndex(row < list->count() ? row : -1);
}

// Selects the choice that reads exactly text; nothing when none does.
void SelectText(QComboBox* list, const QString& text) { list->setCurrentIndex(list->findText(text, Qt::MatchExactly)); }

bool HasSelection(const QComboBox* list) { return list->currentIndex() >= 0; }

}  // namespace

TFrameProfile::TFrameProfile(QWidget* parent) : QWidget(parent) {
  CreateControls();
  ConnectChanges();
  ShowProfile(nullptr);
}

void TFrameProfile::CreateControls() {
  edtDescript = new QLineEdit(this);
  edtDescript->setObjectName(QStringLiteral("edtDescript"));
  edtExtension = new QLineEdit(this);
  edtExtension->setObjectName(QStringLiteral("edtExtension"));
  cbbFormat = ChoiceList(QStringLiteral("cbbFormat"), TableTexts(FormatTable, &TFormatInfo::displayName), this);

  auto* strip = new QHBoxLayout;
  strip->addWidget(new QLabel(QStringLiteral("详细描述"), this));
  strip->addWidget(edtDescript, 3);
  strip->addWidget(new QLabel(QStringLiteral("文件后缀"), this));
  strip->addWidget(edtExtension, 1);
  strip->addWidget(new QLabel(QStringLiteral("文件格式"), this));
  strip->addWidget(cbbFormat, 1);

  auto* groups = new QHBoxLayout;
  groups->addWidget(CreateAudioGroup(), 1);
  groups->addWidget(CreateVideoGroup(), 1);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(strip);
  layout->addLayout(groups, 1);
}

QGroupBox* TFrameProfile::CreateAudioGroup() {
  auto* group = new QGroupBox(QStringLiteral("音频设置"), this);
  cbbSampleRate = ChoiceList(QStringLiteral("cbbSampleRate"), SampleRateChoices, group);
  cbbAudioEncoder = ChoiceList(QStringLiteral("cbbAudioEncoder"),
                               TableTexts(AudioEncoderTable, &TAudioEncoderInfo::displayName), group);
  cbbChannels = ChoiceList(QStringLiteral("cbbChannels"),
                           TableTexts(AudioChannelsTable, &TAudioChannelsInfo::displayName), group);
  cbbAudioBitrate = ChoiceList(QStringLiteral("cbbAudioBitrate"), AudioBitrateChoices, group);
  auto* form = new QFormLayout(group);
  form->addRow(QStringLiteral("取样率"), cbbSampleRate);
  form->addRow(QStringLiteral("音频编码"), cbbAudioEncoder);
  form->addRow(QStringLiteral("音频声道"), cbbChannels);
  form->addRow(QStringLiteral("声频码率(kbps)"), cbbAudioBitrate);
  return group;
}

QGroupBox* TFrameProfile::CreateVideoGroup() {
  auto* group = new QGroupBox(QStringLiteral("视频设置"), this);
  cbbFrameSize = ChoiceList(QStringLiteral("cbbFrameSize"), TableTexts(FrameSizeTable, &TFrameSize::strSize), group);
  cbbVideoEncoder = ChoiceList(QStringLiteral("cbbVideoEncoder"),
                               TableTexts(VideoEncoderTable, &TVideoEncoderInfo::displayName), group);
  cbbFrameRate = ChoiceList(QStringLiteral("cbbFrameRate"), TableTexts(FrameRateTable, &TFrameRateInfo::label), group);
  cbbVideoBitrate = ChoiceList(QStringLiteral("cbbVideoBitrate"), VideoBitrateChoices, group);
  cbbTargetSize = ChoiceList(QStringLiteral("cbbTargetSize"), TargetSizeChoices, group);
  auto* form = new QFormLayout(group);
  form->addRow(QStringLiteral("尺寸"), cbbFrameSize);
  form->addRow(QStringLiteral("视频编码"), cbbVideoEncoder);
  form->addRow(QStringLiteral("帧率"), cbbFrameRate);
  form->addRow(QStringLiteral("视频码率(kbps)"), cbbVideoBitrate);
  form->addRow(QStringLiteral("目标大小(MB)"), cbbTargetSize);
  return group;
}

void TFrameProfile::ConnectChanges() {
  for (QComboBox* list : {cbbFormat, cbbSampleRate, cbbAudioEncoder, cbbChannels, cbbAudioBitrate, cbbFrameSize,
                          cbbVideoEncoder, cbbFrameRate, cbbVideoBitrate, cbbTargetSize})
    connect(list, &QComboBox::currentIndexChanged, this, &TFrameProfile::ControlsChanged);
  connect(edtExtension, &QLineEdit::textChanged, this, &TFrameProfile::ControlsChanged);
  connect(edtDescript, &QLineEdit::textChanged, this, [this](const QString& text) {
    ControlsChanged();
    if (OnDescriptionChange) OnDescriptionChange(text);
  });
}

void TFrameProfile::ShowProfile(TAVCustomAudioProfile* Profile) {
  FProfile = Profile;
  FSuppress = true;
  setEnabled(Profile != nullptr);
  if (!Profile) {
    // Nothing is shown, so no list item takes the emptied description.
    const QSignalBlocker quiet(edtDescript);
    edtDescript->clear();
    edtExtension->clear();
    for (QComboBox* list : findChildren<QComboBox*>()) list->setCurrentIndex(-1);
    FSuppress = false;
    return;
  }
  ShowVideo(Profile);
  ShowAudio(*Profile);
  edtDescript->setText(Profile->Description());
  edtExtension->setText(Profile->Extension());
  SelectOrdinal(cbbFormat, Profile->Format());
  FSuppress = false;
}

void TFrameProfile::ShowVideo(const TAVCustomAudioProfile* Profile) {
  const auto* video = dynamic_cast<const TAVCustomVideoProfile*>(Profile);
  for (QComboBox* list : {cbbFrameSize, cbbVideoEncoder, cbbFrameRate, cbbVideoBitrate, cbbTargetSize}) {
    list->setEnabled(video != nullptr);
    if (!video) list->setCurrentIndex(-1);
  }
  if (!video) return;
  // A size of no row shows as no selection, like a rate that is not among the
  // choices, so that editing another value does not turn it into 0 x 0.
  const bool sizeInTable = video->FrameSize() != fsOriginal || (video->FrameWidth() == 0 && video->FrameHeight() == 0);
  if (sizeInTable)
    SelectOrdinal(cbbFrameSize, video->FrameSize());
  else
    cbbFrameSize->setCurrentIndex(-1);
  SelectOrdinal(cbbVideoEncoder, video->VideoEncoder());
  SelectOrdinal(cbbFrameRate, video->FrameRate());
  SelectText(cbbVideoBitrate, QString::number(video->VideoBitrate()));
  SelectText(cbbTargetSize, QString::number(video->TargetSize(), 'g', QLocale::FloatingPointShortest));
}

void TFrameProfile::ShowAudio(const TAVCustomAudioProfile& Profile) {
  SelectOrdinal(cbbAudioEncoder, Profile.AudioEncoder());
  SelectOrdinal(cbbChannels, Profile.AudioChannels());
  SelectText(cbbAudioBitrate, QString::number(Profile.AudioBitrate(), 'g', QLocale::FloatingPointShortest));
  SelectText(cbbSampleRate, QString::number(Profile.SampleRate()));
}

void TFrameProfile::ControlsChanged() {
  if (FSuppress || !FProfile) return;
  CopyAudio();
  FProfile->SetExtension(edtExtension->text().trimmed());
  FProfile->SetDescription(edtDescript->text().trimmed());
  CopyVideo();
}

// Only lists with a selection are copied: a value that is not among the
// choices stays until the user picks one.
void TFrameProfile::CopyAudio() {
  if (HasSelection(cbbSampleRate)) FProfile->SetSampleRate(cbbSampleRate->currentText().toInt());
  if (HasSelection(cbbAudioEncoder))
    FProfile->SetAudioEncoder(static_cast<TCustomAudioEncoder>(cbbAudioEncoder->currentIndex()));
  if (HasSelection(cbbChannels))
    FProfile->SetAudioChannels(static_cast<TCustomAudioChannels>(cbbChannels->currentIndex()));
  if (HasSelection(cbbAudioBitrate)) FProfile->SetAudioBitrate(cbbAudioBitrate->currentText().toDouble());
  if (HasSelection(cbbFormat)) FProfile->SetFormat(static_cast<TCustomAVFormat>(cbbFormat->currentIndex()));
}

void TFrameProfile::CopyVideo() {
  auto* video = dynamic_cast<TAVCustomVideoProfile*>(FProfile);
  if (!video) return;
  if (HasSelection(cbbFrameSize)) {
    const TFrameSize& size = FrameSizeTable[static_cast<size_t>(cbbFrameSize->currentIndex())];
    video->SetFrameWidth(size.FrameWidth);
    video->SetFrameHeight(size.FrameHeight);
  }
  if (HasSelection(cbbVideoEncoder))
    video->SetVideoEncoder(static_cast<TCustomVideoEncoder>(cbbVideoEncoder->currentIndex()));
  if (HasSelection(cbbFrameRate)) video->SetFrameRate(static_cast<TCustomFrameRate>(cbbFrameRate->currentIndex()));
  if (HasSelection(cbbVideoBitrate)) video->SetVideoBitrate(cbbVideoBitrate->currentText().toInt());
  if (HasSelection(cbbTargetSize)) video->SetTargetSize(cbbTargetSize->currentText().toDouble());
}
