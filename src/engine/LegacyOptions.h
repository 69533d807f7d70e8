#pragma once
// Profiles and stored tasks carry codec option names of older library
// generations. Each stored name=value is turned into the settings today's
// libraries understand before it reaches the option stores.

#include <QByteArray>
#include <vector>

struct TAVOptionSetting {
  QByteArray name;
  QByteArray value;
};

// The settings that stand for name=value today: usually the pair itself,
// several pairs when one old option became many, none when the old option has
// no equivalent any more (note is then set to a warning for the log).
std::vector<TAVOptionSetting> TranslateLegacyOption(const QByteArray& name, const QByteArray& value,
                                                    QByteArray& note);
