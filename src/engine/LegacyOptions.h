#pragma once
// Profiles and stored tasks carry codec option names of older library
// generations. Each stored name=value is turned into the settings today's
// libraries understand before it reaches the option stores.

#include <QByteArray>
#include <QStringList>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
}

struct TAVOptionSetting {
  QByteArray name;
  QByteArray value;
  // Restricted to the codec store of one media type (a TAVOptionStore value),
  // or -1 for the usual search.
  int onlyStore = -1;
};

// The settings that stand for name=value today, given the video encoder the
// run will use (nullptr when unknown): usually the pair itself, several pairs
// when one old option became many, none when nothing equivalent is left. Each
// translation or omission adds a line to notes for the log.
std::vector<TAVOptionSetting> TranslateLegacyOption(const QByteArray& name, const QByteArray& value,
                                                    const AVCodec* videoEncoder, QStringList& notes);
