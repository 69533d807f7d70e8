#pragma once
// The task database "av.cfg": categories of finished conversions and one row
// per task. The only code that reads or writes it; used on the main thread.
//
//   categories(ID, Category, Path, Parent)
//   conversions(ID, Converting, ConvertSettings, ConvertedDate, CategoryId, Log)
//
// Converting is 0 for a finished task, 1 for one that runs (or ran when the
// program ended: interrupted) and 2 for one waiting in the queue.
//
// ConvertedDate is stored as ISO-8601 text in UTC with milliseconds
// ("2024-05-01T13:45:10.123Z"), so that ordering by the column orders by time.

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

class TAVTask;
class TConvertingNode;
class TConvertedNode;

namespace tasks {
class TSqliteDatabase;
}

class TPersistentManager {
 public:
  // The caption of the root category written into a new database.
  static const QString DefaultRootCategory;
  // Values of the Converting column besides 0 (finished).
  static constexpr int ConvertingRow = 1;
  static constexpr int WaitingRow = 2;

  // av.cfg in the per-user data folder.
  static QString DatabaseFile();
  // Opens the database. A missing file is created with both tables and the
  // root category (ID 1, Parent -1, Path rootFolder) when create is set;
  // otherwise it fails with "Database <file> does not exist". A file SQLite
  // cannot use fails with "Can not open Database <file>". A file without one
  // of the tables or the root category is completed, and categories the tree
  // cannot reach (their parent is gone) are moved under the root, all in one
  // transaction.
  static void Connect(const QString& file, bool create = true, const QString& rootFolder = {},
                      const QString& rootCategory = DefaultRootCategory);
  // Opens an existing file for reading only: nothing is created, completed
  // or written. A missing file fails with "Database <file> does not exist".
  static void ConnectForReading(const QString& file);
  static void Disconnect();
  static bool IsConnected();
  // How long a statement waits while another connection holds the file
  // before it raises EDatabaseBusy; 5 s unless set.
  static void SetBusyTimeout(int ms);
  static int BusyTimeout();

  // Task rows. A task waiting in the queue (stWaiting) gets a waiting row.
  static void NewDbTask(TAVTask& ATask);
  // The unfinished tasks in the order they were added: the interrupted ones
  // as stError, the waiting ones as stWaiting. A row whose settings do not
  // read is loaded too, as stError with the reader's message in its log
  // (TAVTask::SettingsUnreadable), and hides none of the rows after it.
  static void LoadConvertingTask(TConvertingNode& ConvertingNode);
  // Marks the unfinished task's row as waiting or as converting.
  static void SetTaskWaiting(TAVTask& ATask, bool waiting);
  static QString GetConvertSettings(const TAVTask& ATask);
  // Both write the task's row first when it has none yet (ID 0); an update
  // that finds no row raises EDatabaseError "Task <ID> is not in the database".
  static void FinishDbTask(TAVTask& ATask);
  // A failed run: its settings and log are stored, the row stays Converting.
  static void StoreFailedTask(TAVTask& ATask);
  static void DeleteTask(const TAVTask& ATask);
  static void ClearLog(const TAVTask& ATask);
  static void LoadConvertedTask(TConvertedNode& ConvertedNode);

  // Categories.
  static void LoadConvertedNodes(int ID, std::vector<std::unique_ptr<TConvertedNode>>& AList);
  static void NewCategory(TConvertedNode& ANode);
  static void UpdateCategory(const TConvertedNode& ANode);
  static void DeleteCategory(const TConvertedNode& ANode);
  // The category, every category below it and all their conversions, in one
  // transaction. Category 1 cannot be deleted.
  static void DeleteCategoryTree(const TConvertedNode& ANode);

  // The same statements on plain values, for callers without a task object.
  static int InsertTaskRow(const QString& settingsXml, bool waiting = false);
  // Returns the completion time stored.
  static QDateTime FinishTaskRow(int id, const QString& settingsXml, int categoryId, const QStringList& log);
  static void StoreFailedTaskRow(int id, const QString& settingsXml, const QStringList& log);

  struct TTaskRow {
    int ID = 0;
    bool Converting = false;
    int CategoryId = 0;  // 0 while converting
    QString Category;    // the category's caption, empty when there is none
    QDateTime ConvertedDate;
    QString SettingsXml;
  };
  // Every conversion row, oldest ID first.
  static std::vector<TTaskRow> ListTaskRows();

  // The log lines each followed by CR LF, and back.
  static QString JoinLog(const QStringList& lines);
  static QStringList SplitLog(const QString& text);

  // Runs work as one transaction: its statements all reach the file or none does.
  static void InTransaction(const std::function<void()>& work);

 private:
  static tasks::TSqliteDatabase& Database();
};
