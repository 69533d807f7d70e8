#include "engine/LegacyOptions.h"

std::vector<TAVOptionSetting> TranslateLegacyOption(const QByteArray& name, const QByteArray& value,
                                                    QByteArray& note) {
  note.clear();
  return {{name, value}};
}
