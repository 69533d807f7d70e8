#pragma once
// Starting other programs on the desktop: opening a document or address with
// its associated program, showing a folder and revealing a file in the file
// manager. All of them return at once and report no failure. Tests install a
// launcher of their own so that nothing is started.

#include <QString>
#include <functional>

namespace shell {

enum class TShellVerb { Open, ShowFolder, RevealFile };

// Receives every request instead of the desktop; returns the previous one.
using TShellLauncher = std::function<void(TShellVerb verb, const QString& target)>;
TShellLauncher SetShellLauncher(TShellLauncher launcher);

// A local path or an address such as "https://…" or "mailto:…".
void OpenDocument(const QString& pathOrAddress);
void ShowFolder(const QString& folder);
// Shows the file selected in its folder.
void RevealFile(const QString& file);

}  // namespace shell
