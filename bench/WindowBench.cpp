// How the main window keeps up: the lateness of a 10 ms timer on the main
// thread while four conversions run side by side (each reporting progress
// into the task list), and the time a category of 10 000 finished tasks
// takes to open; or, with --batch, a batch of many files made in the wizard
// and run by the queue (BatchBench.cpp). Runs the real program start-up in a
// temporary data folder.
//
//   window-bench SOURCE_MEDIA [SECONDS]
//   window-bench --batch SOURCE_MEDIA COUNT PROFILE LIMIT

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeView>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/FrameExplorer.h"
#include "app/FrameList.h"
#include "app/GlobalData.h"
#include "app/MainWindow.h"
#include "app/Startup.h"
#include "app/TaskItemModel.h"
#include "tasks/AVTask.h"
#include "tasks/Configuration.h"
#include "tasks/OmniXML.h"
#include "tasks/PersistentManager.h"
#include "tasks/Sqlite.h"
#include "BenchSupport.h"

int RunBatchBench(const QStringList& arguments, const QString& dataHome);

namespace {

using bench::Percentile;
using bench::Pump;

// Four conversions of the source into the temporary folder; returns the
// lateness of each timer tick in milliseconds.
std::vector<double> MeasureLatency(TFormMain& window, const QString& source, const QString& folder, int seconds) {
  TConvertingNode* converting = window.FrameExplorer()->ConvertingNode();
  for (int i = 0; i < 4; ++i) {
    auto settings = std::make_unique<TConversionSettings>();
    settings->SetSourceFile(source);
    settings->SetTargetFile(QStringLiteral("%1/out%2.avi").arg(folder).arg(i));
    settings->SetProfile(QStringLiteral("AVI"));
    settings->SetCategoryId(1);
    converting->NewConversion(std::move(settings));
  }
  const bench::TLatenessProbe probe;
  QElapsedTimer clock;
  clock.start();
  bench::PumpUntil([&] { return clock.elapsed() >= seconds * 1000 || converting->Tasks().empty(); });
  std::printf("conversions still running after %.1f s: %zu\n", clock.elapsed() / 1000.0, converting->Tasks().size());
  return probe.Lateness();
}

// 10 000 finished task rows under category 1, in one transaction.
void FillCategory(const QString& source) {
  TConversionSettings settings;
  settings.SetSourceFile(source);
  settings.SetTargetFile(source + QStringLiteral(".avi"));
  settings.SetProfile(QStringLiteral("AVI"));
  settings.SetCategoryId(1);
  settings.SetDuration(60);
  const QString xml = tasks::TOmniXMLWriter::SaveToString(settings);
  tasks::TSqliteDatabase db(TPersistentManager::DatabaseFile(), false);
  db.Execute(QStringLiteral("begin"));
  for (int i = 0; i < 10000; ++i) {
    tasks::TSqliteStatement insert(db,
                                   QStringLiteral("insert into conversions(Converting, ConvertSettings, ConvertedDate, "
                                                  "CategoryId, Log) values(0, ?, ?, 1, ?)"),
                                   3);
    insert.Bind(1, xml);
    insert.Bind(2, QStringLiteral("2024-05-01T13:45:%1.000Z").arg(i % 60, 2, 10, QLatin1Char('0')));
    insert.Bind(3, QStringLiteral("line one\r\nline two\r\n"));
    insert.Execute();
  }
  db.Execute(QStringLiteral("commit"));
}

}  // namespace

int main(int argc, char** argv) {
  QTemporaryDir dataHome;
  qputenv("XDG_DATA_HOME", dataHome.path().toUtf8());
  QApplication application(argc, argv);
  if (argc > 1 && qstrcmp(argv[1], "--batch") == 0)
    return RunBatchBench(application.arguments().mid(2), dataHome.path());
  if (argc < 2) {
    std::fprintf(stderr, "usage: window-bench SOURCE_MEDIA [SECONDS]\n");
    return 2;
  }
  const QString source = QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath();
  const int seconds = argc > 2 ? std::atoi(argv[2]) : 20;
  AVConfiguration().SetOutputFolder(dataHome.path() + QStringLiteral("/output"));
  AVConfiguration().SetShowAlert(false);

  TProgram program;
  if (!program.Start()) return 1;
  TFormMain& window = *program.MainWindow();
  window.show();
  Pump(200);

  const std::vector<double> lateness = MeasureLatency(window, source, dataHome.path(), seconds);
  std::printf("main-thread timer lateness with four conversions (%zu ticks): median %.1f ms, 95th percentile %.1f ms, "
              "max %.1f ms\n",
              lateness.size(), Percentile(lateness, 50), Percentile(lateness, 95), Percentile(lateness, 100));
  // Whatever still runs is stopped and filed before the big category is made.
  for (const auto& task : window.FrameExplorer()->ConvertingNode()->Tasks()) task->Stop();
  while (!window.FrameExplorer()->ConvertingNode()->Tasks().empty()) Pump(20);

  FillCategory(source);
  QElapsedTimer open;
  open.start();
  window.FrameExplorer()->SelectNode(window.FrameExplorer()->RootNode());
  const qint64 filled = open.elapsed();
  window.FrameList()->View()->repaint();
  QCoreApplication::processEvents();
  std::printf("category of %d finished tasks opened in %lld ms (list filled in %lld ms)\n",
              window.FrameList()->Model().rowCount(), static_cast<long long>(open.elapsed()),
              static_cast<long long>(filled));
  QElapsedTimer again;
  again.start();
  window.FrameExplorer()->SelectNode(window.FrameExplorer()->ConvertingNode());
  window.FrameExplorer()->SelectNode(window.FrameExplorer()->RootNode());
  window.FrameList()->View()->repaint();
  std::printf("opened again in %lld ms\n", static_cast<long long>(again.elapsed()));
  return 0;
}
