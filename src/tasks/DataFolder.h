#pragma once
// The per-user data folder: $XDG_DATA_HOME (default ~/.local/share) followed
// by "Ormentis/Tesvanor/". Config.Xml, Profiles.ini and av.cfg live there.

#include <QString>

namespace tasks {

// With a trailing "/"; the folder is not created here.
QString AppDataFolder();

}  // namespace tasks
