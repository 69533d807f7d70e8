#pragma once
// The maker's addresses behind the help entries, the about box and the web
// panel of the main window.

#include <QString>

namespace maker {

inline QString HomePage() { return QStringLiteral("https://www.ormentis.com/"); }
inline QString SupportMail() { return QStringLiteral("support@ormentis.com"); }
inline QString BugReportLink() { return QStringLiteral("mailto:") + SupportMail(); }

}  // namespace maker
