#pragma once
// The program started as it starts for the user, in a data folder of its own
// per test, with recorded shell requests, a fake shut-down and the windows it
// opens answered by the test.

#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QMimeData>
#include <QUrl>
#include <memory>
#include <vector>

#include "app/DialogHooks.h"
#include "app/ExplorerModel.h"
#include "app/FrameExplorer.h"
#include "app/FrameInfo.h"
#include "app/FrameList.h"
#include "app/GlobalData.h"
#include "app/MainWindow.h"
#include "app/ShellServices.h"
#include "app/Startup.h"
#include "app/TaskItemModel.h"
#include "support/MediaFixtures.h"
#include "support/TestSupport.h"
#include "tasks/AVTask.h"
#include "tasks/Configuration.h"
#include "tasks/OmniXML.h"
#include "tasks/PersistentManager.h"
#include "tasks/Shutdown.h"
#include "tasks/Sqlite.h"
#include "WidgetTestHelpers.h"

namespace main_window_tests {

using testing_support::PumpUntil;

class TFakeShutdown : public tasks::TShutdownRequest {
 public:
  explicit TFakeShutdown(int* count) : FCount(count) {}
  void ShutDown() override { ++*FCount; }

 private:
  int* FCount;
};

struct TShellRequest {
  shell::TShellVerb verb;
  QString target;
  bool operator==(const TShellRequest&) const = default;
};

inline void PrintTo(const TShellRequest& r, std::ostream* os) {
  *os << int(r.verb) << ":" << r.target.toStdString();
}

// What the wizard hands back for one source.
inline TNewConversions Batch(std::unique_ptr<TConversionSettings> settings) {
  TNewConversions batch;
  batch.push_back(std::move(settings));
  return batch;
}

inline QString ShortClip() {
  testing_support::MediaSpec spec;
  spec.seconds = 1;
  return testing_support::MediaFixture(spec);
}

// Long enough to be paused, stopped and photographed while it runs.
inline QString LongClip() {
  testing_support::MediaSpec spec;
  spec.seconds = 300;
  spec.width = 640;
  spec.height = 480;
  return testing_support::MediaFixture(spec);
}

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previousDataHome = qgetenv("XDG_DATA_HOME");
    folder = testing_support::TemporaryFolder();
    qputenv("XDG_DATA_HOME", (folder + "/data").toUtf8());
    outputFolder = folder + "/output";
    AVConfiguration().SetOutputFolder(outputFolder);
    AVConfiguration().SetShutdownWhenDone(false);
    AVConfiguration().SetShowAlert(true);
    previousLauncher = shell::SetShellLauncher(
        [this](shell::TShellVerb verb, const QString& target) { shellRequests.push_back({verb, target}); });
    tasks::SetShutdownRequest(std::make_unique<TFakeShutdown>(&shutdowns));
    TAVTask::OnAlert = [this](const TTaskAlert& alert) { alerts.push_back(alert); };
    TDialogHooks::NewConversion = [this](QWidget*, TAVProfileList&, const QString& source) {
      wizardSources << source;
      return source.isEmpty() ? TNewConversions() : Batch(SettingsFor(source, "converted.avi"));
    };
    TDialogHooks::Options = [this](QWidget*) { return ++optionsShown, false; };
    TDialogHooks::About = [this](QWidget*) { ++aboutShown; };
    TDialogHooks::Category = [](QWidget*, QString&, QString&, bool) { return false; };
    TDialogHooks::Delete = [](QWidget*, TDeleteChoice&) { return false; };
    testing_support::TakeErrorBoxes();
  }

  void TearDown() override {
    program.reset();
    TDialogHooks::Restore();
    shell::SetShellLauncher(previousLauncher);
    tasks::SetShutdownRequest(nullptr);
    TAVTask::OnAlert = nullptr;
    AVConfiguration().SetShutdownWhenDone(false);
    qputenv("XDG_DATA_HOME", previousDataHome);
  }

  QString DataFolder() const { return folder + "/data/Ormentis/Tesvanor/"; }

  // Starts the program; the main window exists afterwards.
  TFormMain& Start() {
    program = std::make_unique<TProgram>();
    EXPECT_TRUE(program->Start());
    return *program->MainWindow();
  }
  TFormMain& Window() const { return *program->MainWindow(); }
  TFrameExplorer& Explorer() const { return *Window().FrameExplorer(); }
  TFrameList& List() const { return *Window().FrameList(); }

  std::unique_ptr<TConversionSettings> SettingsFor(const QString& source, const QString& targetName,
                                                   int categoryId = 1) const {
    auto settings = std::make_unique<TConversionSettings>();
    settings->SetSourceFile(source);
    settings->SetTargetFile(folder + "/" + targetName);
    settings->SetProfile("AVI");
    settings->SetCategoryId(categoryId);
    return settings;
  }

  // Starts a conversion as the wizard would hand it over.
  TAVTask* StartConversion(const QString& source, const QString& targetName) {
    TDialogHooks::NewConversion = [this, source, targetName](QWidget*, TAVProfileList&, const QString&) {
      return Batch(SettingsFor(source, targetName));
    };
    Window().RunWizard();
    const auto& tasks = Explorer().ConvertingNode()->Tasks();
    return tasks.empty() ? nullptr : tasks.back().get();
  }

  // Opens the database as the program does, before it starts.
  void ConnectDatabase() {
    QDir().mkpath(DataFolder());
    TPersistentManager::Connect(TPersistentManager::DatabaseFile(), true, outputFolder);
  }

  // A finished task row (its files made here) under the category.
  int AddFinishedRow(const QString& name, int categoryId = 1, const QStringList& log = {"line one", "line two"}) {
    const QString source = MakeFile(name + ".src");
    const QString target = MakeFile(name + ".avi");
    auto settings = SettingsFor(source, name + ".avi", categoryId);
    settings->SetSourceFileSize(QFileInfo(source).size());
    settings->SetDuration(95.4);
    const QString xml = tasks::TOmniXMLWriter::SaveToString(*settings);
    const int id = TPersistentManager::InsertTaskRow(xml);
    TPersistentManager::FinishTaskRow(id, xml, categoryId, log);
    return id;
  }

  // A task row of a conversion that an earlier run left unfinished.
  int AddInterruptedRow(const QString& name) {
    auto settings = SettingsFor(MakeFile(name + ".src"), name + ".avi");
    return TPersistentManager::InsertTaskRow(tasks::TOmniXMLWriter::SaveToString(*settings));
  }

  QString MakeFile(const QString& name) const {
    QFile file(folder + "/" + name);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(3000, 'x'));
    return file.fileName();
  }

  // The value of one column of a table row in av.cfg, "NULL" for null, "" without row.
  QString Column(const QString& table, int id, const QString& column) const {
    tasks::TSqliteDatabase db(DataFolder() + "av.cfg", false);
    tasks::TSqliteStatement s(db, QString("select ifnull(%1, 'NULL') from %2 where ID=%3").arg(column, table).arg(id));
    return s.Step() ? s.Text(0) : QString();
  }

  // Selects rows of the task list as a user does, the last one focused.
  void SelectRows(const std::vector<int>& rows) {
    QItemSelectionModel* selection = List().View()->selectionModel();
    selection->clearSelection();
    for (int row : rows)
      selection->select(List().Model().index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    if (!rows.empty())
      selection->setCurrentIndex(List().Model().index(rows.back(), 0), QItemSelectionModel::NoUpdate);
    Window().UpdateActions();
  }

  int RowOf(const TNodeObject* task) const { return List().List().RowOf(task); }

  QStringList Captions(int row) const { return List().List().RowTexts(row); }

  QStringList Headers() const {
    QStringList headers;
    for (const TListColumn& c : List().List().Columns()) headers << c.Header;
    return headers;
  }

  // The captions of the explorer's nodes, depth first, indented by level.
  QStringList TreeCaptions(TFrameExplorer& frame) const {
    QStringList captions;
    std::function<void(TNodeObject*, int)> visit = [&](TNodeObject* parent, int level) {
      for (TNodeObject* node : frame.Tree().Children(parent)) {
        captions << QString(level * 2, ' ') + node->GetCaption(0);
        visit(node, level + 1);
      }
    };
    visit(nullptr, 0);
    return captions;
  }

  // Sends a drag of these files over the task list and drops it when it is
  // taken; returns whether the list took it and the action it showed.
  std::pair<bool, Qt::DropAction> DropFiles(const QStringList& files) {
    QMimeData data;
    QList<QUrl> urls;
    for (const QString& f : files) urls << QUrl::fromLocalFile(f);
    data.setUrls(urls);
    QWidget* viewport = List().View()->viewport();
    const QPoint at(20, 20);
    const Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
    QDragEnterEvent enter(at, offered, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &enter);
    QDragMoveEvent move(at, offered, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &move);
    const bool taken = enter.isAccepted() && move.isAccepted();
    const Qt::DropAction shown = move.dropAction();
    if (taken) {
      QDropEvent drop(QPointF(at), offered, &data, Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(viewport, &drop);
    } else {
      QDragLeaveEvent leave;
      QApplication::sendEvent(viewport, &leave);
    }
    return {taken, shown};
  }

  QString folder;
  QString outputFolder;
  QByteArray previousDataHome;
  shell::TShellLauncher previousLauncher;
  std::vector<TShellRequest> shellRequests;
  std::vector<TTaskAlert> alerts;
  QStringList wizardSources;
  int shutdowns = 0;
  int optionsShown = 0;
  int aboutShown = 0;
  std::unique_ptr<TProgram> program;
};

}  // namespace main_window_tests
