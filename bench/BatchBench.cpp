// A batch of many files through the real wizard and the queue: how long the
// wizard takes to show the list (the lengths are probed in the background),
// how late a 10 ms main-thread timer gets while the queue runs LIMIT at a
// time, and how long the whole batch takes.
//
//   window-bench --batch SOURCE_MEDIA COUNT PROFILE LIMIT

#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPushButton>
#include <QToolButton>
#include <QTreeWidget>
#include <cstdio>

#include "BenchSupport.h"
#include "app/FrameExplorer.h"
#include "app/GlobalData.h"
#include "app/MainWindow.h"
#include "app/NewConversionWizard.h"
#include "app/Startup.h"
#include "profiles/AVProfile.h"
#include "tasks/AVTask.h"
#include "tasks/Configuration.h"

namespace {

// COUNT names for the one source: links, so that nothing is copied.
QStringList SourceNames(const QString& source, int count, const QString& folder) {
  QDir().mkpath(folder);
  QStringList files;
  for (int i = 1; i <= count; ++i) {
    const QString name = QStringLiteral("%1/clip%2.%3").arg(folder).arg(i, 2, 10, QLatin1Char('0')).arg(QFileInfo(source).suffix());
    if (::link(source.toLocal8Bit().constData(), name.toLocal8Bit().constData()) != 0) QFile::link(source, name);
    files << name;
  }
  return files;
}

bool AllProbed(const QTreeWidget& list) {
  for (int i = 0; i < list.topLevelItemCount(); ++i)
    if (list.topLevelItem(i)->text(1) == QStringLiteral("…")) return false;
  return true;
}

bool ChooseProfile(TFormNewConversion& wizard, const TAVProfile& profile) {
  auto* categories = wizard.findChild<QComboBox*>(QStringLiteral("cbbCategory"));
  auto* profiles = wizard.findChild<QComboBox*>(QStringLiteral("cbbProfile"));
  categories->setCurrentIndex(categories->findText(profile.Category(), Qt::MatchFixedString));
  profiles->setCurrentIndex(profiles->findText(profile.Description()));
  return profiles->currentText() == profile.Description();
}

bool QueueBusy(const TConvertingNode& node) {
  for (const auto& task : node.Tasks())
    if (task->RunInProgress() || task->Status == stWaiting) return true;
  return false;
}

}  // namespace

int RunBatchBench(const QStringList& arguments, const QString& dataHome) {
  if (arguments.size() < 4) {
    std::fprintf(stderr, "usage: window-bench --batch SOURCE_MEDIA COUNT PROFILE LIMIT\n");
    return 2;
  }
  const QString source = QFileInfo(arguments[0]).absoluteFilePath();
  const int count = arguments[1].toInt(), limit = arguments[3].toInt();
  AVConfiguration().SetOutputFolder(dataHome + QStringLiteral("/output"));
  AVConfiguration().SetShowAlert(false);
  TProgram program;
  if (!program.Start()) return 1;
  TFormMain& window = *program.MainWindow();
  window.show();
  bench::Pump(200);
  AVConfiguration().PerformanceOptions().SetSimultaneousTasks(limit);
  const TAVProfile* profile = program.DataModule()->ProfileList().FindProfile(arguments[2]);
  if (!profile) {
    std::fprintf(stderr, "no profile %s\n", qPrintable(arguments[2]));
    return 2;
  }

  const QStringList files = SourceNames(source, count, dataHome + QStringLiteral("/sources"));
  SetWizardPathChooser([&](QWidget*, TWizardPathKind, const QString&) { return files; });
  TFormNewConversion wizard(program.DataModule()->ProfileList(), &window);
  wizard.show();
  bench::Pump(100);
  auto* list = wizard.findChild<QTreeWidget*>(QStringLiteral("lstSources"));
  QElapsedTimer opening;
  opening.start();
  wizard.findChild<QToolButton*>(QStringLiteral("btnBrowse"))->click();
  list->repaint();
  const qint64 listed = opening.elapsed();
  bench::PumpUntil([&] { return AllProbed(*list); });
  const qint64 probed = opening.elapsed();
  std::printf("wizard: %d files listed in %lld ms, their lengths all probed after %lld ms\n", list->topLevelItemCount(),
              static_cast<long long>(listed), static_cast<long long>(probed));
  if (!ChooseProfile(wizard, *profile)) return 1;

  wizard.UpdateButtons();
  wizard.findChild<QPushButton*>(QStringLiteral("btnFinish"))->click();
  QElapsedTimer adding;
  adding.start();
  window.AddConversions(wizard.TakeAllSettings());
  std::printf("%d tasks made (and stored) in %lld ms\n", int(window.FrameExplorer()->ConvertingNode()->Tasks().size()),
              static_cast<long long>(adding.elapsed()));

  const TConvertingNode& converting = *window.FrameExplorer()->ConvertingNode();
  const bench::TLatenessProbe probe;
  QElapsedTimer running;
  running.start();
  int mostAtOnce = 0;
  bench::PumpUntil([&] {
    mostAtOnce = std::max(mostAtOnce, converting.RunsInProgress());
    return !QueueBusy(converting);
  });
  const double seconds = running.elapsed() / 1000.0;
  std::printf("batch of %d with %d at once: %.1f s, at most %d ran at once, %zu failed\n", count, limit, seconds,
              mostAtOnce, converting.Tasks().size());
  std::printf("main-thread timer lateness during the batch (%zu ticks): median %.1f ms, 95th percentile %.1f ms, "
              "max %.1f ms\n",
              probe.Lateness().size(), bench::Percentile(probe.Lateness(), 50),
              bench::Percentile(probe.Lateness(), 95), bench::Percentile(probe.Lateness(), 100));
  std::printf("BATCH_SECONDS %.2f\n", seconds);
  return 0;
}
