#pragma once
// Section and key words of Profiles.ini. A slot's key is the word followed by
// the slot number in decimal: Description0, Description1 …

#include <QString>

namespace profiles {

inline const QString ProfileSection = QStringLiteral("Profile");
inline const QString KeyProfileCount = QStringLiteral("ProfileCount");

inline const QString KeyDescription = QStringLiteral("Description");
inline const QString KeyExtension = QStringLiteral("Extension");
inline const QString KeyCategory = QStringLiteral("Category");
inline const QString KeyIsVideo = QStringLiteral("IsVideo");
inline const QString KeySampleRate = QStringLiteral("SampleRate");
inline const QString KeyAudioEncoder = QStringLiteral("AudioEncoder");
inline const QString KeyAudioChannels = QStringLiteral("AudioChannels");
inline const QString KeyAudioBitrate = QStringLiteral("AudioBitrate");
inline const QString KeyFormat = QStringLiteral("Format");
inline const QString KeyOptions = QStringLiteral("Options");
inline const QString KeyFrameWidth = QStringLiteral("FrameWidth");
inline const QString KeyFrameHeight = QStringLiteral("FrameHeight");
inline const QString KeyVideoEncoder = QStringLiteral("VideoEncoder");
inline const QString KeyFrameRate = QStringLiteral("FrameRate");
inline const QString KeyVideoBitrate = QStringLiteral("VideoBitrate");
// Beside the described keys: the file size a video profile asks for, in MB.
inline const QString KeyTargetSize = QStringLiteral("TargetSize");

inline QString SlotKey(const QString& word, int slot) { return word + QString::number(slot); }

}  // namespace profiles
