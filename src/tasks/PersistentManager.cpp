#include "tasks/PersistentManager.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <stdexcept>

#include "tasks/AVTask.h"
#include "media/DataFolder.h"
#include "tasks/OmniXML.h"
#include "tasks/Sqlite.h"
#include "tasks/XmlErrors.h"

using tasks::EDatabaseError;
using tasks::TSqliteDatabase;
using tasks::TSqliteStatement;

const QString TPersistentManager::DefaultRootCategory = QStringLiteral("已转换");

namespace {

std::unique_ptr<TSqliteDatabase>& Connection() {
  static std::unique_ptr<TSqliteDatabase> db;
  return db;
}

// Both tables as the program creates them; "if not exists" also completes a
// file that holds one of them only.
const char* const CreateCategories =
    "create table if not exists categories (ID integer primary key autoincrement, Category varchar(255), "
    "Path varchar(1024), Parent integer)";
const char* const CreateConversions =
    "create table if not exists conversions (ID integer primary key autoincrement, Converting Boolean, "
    "ConvertSettings memo, ConvertedDate datetime, CategoryId integer, Log memo)";

// The categories reachable from a top-level one (Parent -1).
const char* const ReachableCategories =
    "with recursive reach(ID) as (select ID from categories where Parent=-1 "
    "union select c.ID from categories c join reach r on c.Parent=r.ID) ";

int BusyTimeoutMs = tasks::DefaultBusyTimeoutMs;

QString StoredDate(const QDateTime& time) {
  return time.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzzZ"));
}

QDateTime ReadDate(const QString& text) {
  return QDateTime::fromString(text, Qt::ISODateWithMs).toLocalTime();
}

QString Numbered(const char* sql, int n) { return QString::fromLatin1(sql) + QString::number(n); }

int64_t SingleNumber(TSqliteDatabase& db, const QString& sql) {
  TSqliteStatement query(db, sql);
  return query.Step() ? query.Int64(0) : 0;
}

bool HasTable(TSqliteDatabase& db, const char* name) {
  return SingleNumber(db, QStringLiteral("select count(*) from sqlite_master where type='table' and name='%1' "
                                         "collate nocase").arg(QLatin1String(name))) > 0;
}

// Both tables, the root category, and no category the tree cannot reach.
bool IsComplete(TSqliteDatabase& db) {
  if (!HasTable(db, "categories") || !HasTable(db, "conversions")) return false;
  TSqliteStatement check(db, QString::fromLatin1(ReachableCategories) +
                                 QStringLiteral("select (select count(*) from categories where ID=1 and Parent=-1), "
                                                "(select count(*) from categories where ID not in (select ID from reach))"));
  return check.Step() && check.Int64(0) == 1 && check.Int64(1) == 0;
}

// A category whose parent is gone, or that hangs in a loop of parents, would
// never show again with its conversions: it goes under the root instead.
void ReattachLostCategories(TSqliteDatabase& db) {
  TSqliteStatement(db, QStringLiteral("update categories set Parent=1 where ID<>1 and Parent<>-1 and "
                                      "Parent not in (select ID from categories)"))
      .Execute();
  // What is left unreachable lies in a loop (or has no parent at all): cut
  // each loop at its first category, which keeps the nesting of the rest.
  for (;;) {
    TSqliteStatement lost(db, QString::fromLatin1(ReachableCategories) +
                                  QStringLiteral("select min(ID) from categories where ID not in (select ID from reach)"));
    if (!lost.Step() || lost.IsNull(0)) return;
    const int id = static_cast<int>(lost.Int64(0));
    TSqliteStatement(db, id == 1 ? QStringLiteral("update categories set Parent=-1 where ID=1")
                                 : Numbered("update categories set Parent=1 where ID=", id))
        .Execute();
  }
}

// A new file gets both tables and the root category; a file that an earlier
// run left without one of them (killed half-way through creating it) is
// completed. One transaction: the file holds all of it or none.
void EnsureComplete(TSqliteDatabase& db, const QString& rootCategory, const QString& rootFolder) {
  if (IsComplete(db)) return;
  tasks::TSqliteTransaction transaction(db);
  db.Execute(QString::fromLatin1(CreateCategories));
  db.Execute(QString::fromLatin1(CreateConversions));
  TSqliteStatement root(db,
                        QStringLiteral("insert into categories(ID, Category, Path, Parent) select 1, ?, ?, -1 "
                                       "where not exists (select 1 from categories where ID=1)"),
                        2);
  root.Bind(1, rootCategory);
  root.Bind(2, rootFolder);
  root.Execute();
  ReattachLostCategories(db);
  transaction.Commit();
}

// Opens the file and makes SQLite read it (it reads lazily: a file that is no
// database fails only at the first statement).
std::unique_ptr<TSqliteDatabase> OpenDatabase(const QString& file, TSqliteDatabase::TOpenMode mode) {
  try {
    auto db = std::make_unique<TSqliteDatabase>(file, mode);
    db->SetBusyTimeout(BusyTimeoutMs);
    TSqliteStatement(*db, QStringLiteral("select count(*) from sqlite_master")).Execute();
    return db;
  } catch (const EDatabaseError&) {
    throw EDatabaseError(QStringLiteral("Can not open Database %1").arg(QFileInfo(file).absoluteFilePath()));
  }
}

void RequireExistingFile(const QString& file) {
  if (!QFileInfo::exists(file))
    throw EDatabaseError(QStringLiteral("Database %1 does not exist").arg(QFileInfo(file).absoluteFilePath()));
}

}  // namespace

// ------------------------------------------------------------ connection

QString TPersistentManager::DatabaseFile() { return tesvanor::UserDataFolder() + QStringLiteral("av.cfg"); }

void TPersistentManager::Connect(const QString& file, bool create, const QString& rootFolder,
                                 const QString& rootCategory) {
  Disconnect();
  if (!create) RequireExistingFile(file);
  std::unique_ptr<TSqliteDatabase> db =
      OpenDatabase(file, create ? TSqliteDatabase::TOpenMode::Create : TSqliteDatabase::TOpenMode::ReadWrite);
  EnsureComplete(*db, rootCategory, rootFolder);
  Connection() = std::move(db);
}

void TPersistentManager::ConnectForReading(const QString& file) {
  Disconnect();
  RequireExistingFile(file);
  Connection() = OpenDatabase(file, TSqliteDatabase::TOpenMode::ReadOnly);
}

void TPersistentManager::SetBusyTimeout(int ms) {
  BusyTimeoutMs = ms;
  if (Connection()) Connection()->SetBusyTimeout(ms);
}

int TPersistentManager::BusyTimeout() { return BusyTimeoutMs; }

void TPersistentManager::Disconnect() { Connection().reset(); }

bool TPersistentManager::IsConnected() { return Connection() != nullptr; }

TSqliteDatabase& TPersistentManager::Database() {
  if (!Connection()) throw EDatabaseError(QStringLiteral("Database %1 does not exist").arg(DatabaseFile()));
  return *Connection();
}

// ------------------------------------------------------------- log text

QString TPersistentManager::JoinLog(const QStringList& lines) {
  QString text;
  for (const QString& line : lines) text += line + QStringLiteral("\r\n");
  return text;
}

QStringList TPersistentManager::SplitLog(const QString& text) {
  static const QRegularExpression breaks(QStringLiteral("\r\n|\r|\n"));
  QStringList lines = text.split(breaks);
  if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
  return lines;
}

// ------------------------------------------------------------- task rows

// An update that found no row kept nothing: that must not pass for a stored task.
static void RequireTaskRowChanged(const TSqliteDatabase& db, int id) {
  if (db.Changes() == 0)
    throw EDatabaseError(QStringLiteral("Task %1 is not in the database").arg(id));
}

int TPersistentManager::InsertTaskRow(const QString& settingsXml, bool waiting) {
  TSqliteStatement insert(Database(), QStringLiteral("insert into conversions(Converting, ConvertSettings) values(?, ?)"), 2);
  insert.Bind(1, waiting ? WaitingRow : ConvertingRow);
  insert.Bind(2, settingsXml);
  insert.Execute();
  return static_cast<int>(Database().LastInsertRowId());
}

QDateTime TPersistentManager::FinishTaskRow(int id, const QString& settingsXml, int categoryId, const QStringList& log) {
  TSqliteStatement update(Database(),
                          Numbered("update conversions set Converting=0, ConvertSettings=?, ConvertedDate=?, "
                                   "CategoryId=?, Log=? where ID=", id),
                          4);
  const QDateTime now = QDateTime::currentDateTime();
  update.Bind(1, settingsXml);
  update.Bind(2, StoredDate(now));
  // A category deleted meanwhile, or none at all, files the task under the root.
  QString found;
  {
    TSqliteStatement lookup(Database(), Numbered("select ID from Categories where ID=", categoryId));
    if (lookup.Step()) found = lookup.Text(0);
  }
  update.Bind(3, found.isEmpty() ? 1 : categoryId);
  update.Bind(4, JoinLog(log));
  update.Execute();
  RequireTaskRowChanged(Database(), id);
  return now;
}

void TPersistentManager::StoreFailedTaskRow(int id, const QString& settingsXml, const QStringList& log) {
  // A failed run never waits again after a restart, whatever its mark said.
  TSqliteStatement update(Database(),
                          Numbered("update conversions set Converting=?, ConvertSettings=?, Log=? where ID=", id), 3);
  update.Bind(1, ConvertingRow);
  update.Bind(2, settingsXml);
  update.Bind(3, JoinLog(log));
  update.Execute();
  RequireTaskRowChanged(Database(), id);
}

QString TPersistentManager::GetConvertSettings(const TAVTask& ATask) {
  return tasks::TOmniXMLWriter::SaveToString(ATask.Settings());
}

void TPersistentManager::NewDbTask(TAVTask& ATask) {
  const bool waiting = ATask.Status == stWaiting;
  ATask.ID = InsertTaskRow(GetConvertSettings(ATask), waiting);
  ATask.StoredWaiting = waiting;
}

void TPersistentManager::SetTaskWaiting(TAVTask& ATask, bool waiting) {
  TSqliteStatement update(Database(), Numbered("update conversions set Converting=? where Converting<>0 and ID=", ATask.ID), 1);
  update.Bind(1, waiting ? WaitingRow : ConvertingRow);
  update.Execute();
  RequireTaskRowChanged(Database(), ATask.ID);
  ATask.StoredWaiting = waiting;
}

// A task whose row could not be written when it started (database locked or
// missing then) gets it now, so that its result is not lost.
static void EnsureTaskRow(TAVTask& ATask) {
  if (ATask.ID <= 0) TPersistentManager::NewDbTask(ATask);
}

void TPersistentManager::FinishDbTask(TAVTask& ATask) {
  EnsureTaskRow(ATask);
  ATask.Settings().SetDuration(ATask.Converter().Duration());
  ATask.Date = FinishTaskRow(ATask.ID, GetConvertSettings(ATask), ATask.CategoryId, ATask.Log());
}

void TPersistentManager::StoreFailedTask(TAVTask& ATask) {
  EnsureTaskRow(ATask);
  StoreFailedTaskRow(ATask.ID, GetConvertSettings(ATask), ATask.Log());
}

void TPersistentManager::DeleteTask(const TAVTask& ATask) {
  TSqliteStatement(Database(), Numbered("delete from conversions where ID=", ATask.ID)).Execute();
}

void TPersistentManager::ClearLog(const TAVTask& ATask) {
  TSqliteStatement(Database(), Numbered("update conversions set Log=NULL where ID=", ATask.ID)).Execute();
}

void TPersistentManager::LoadConvertingTask(TConvertingNode& ConvertingNode) {
  // In the order added, which is the order of the queue.
  TSqliteStatement rows(Database(), QStringLiteral("select * from Conversions where Converting<>0 order by ID"));
  while (rows.Step()) {
    auto task = std::make_unique<TConvertingTask>(rows.Text(QStringLiteral("ConvertSettings")), ConvertingNode.FListView);
    task->ID = static_cast<int>(rows.Int64(QStringLiteral("ID")));
    task->SetLog(SplitLog(rows.Text(QStringLiteral("Log"))));
    // Read now, so that a row that does not read shows the reader's message in
    // its log at once; it hides none of the rows after it.
    const bool readable = !task->SettingsUnreadable();
    task->StoredWaiting = rows.Int64(QStringLiteral("Converting")) == WaitingRow;
    task->Status = task->StoredWaiting && readable ? stWaiting : stError;
    task->Category = &ConvertingNode;
    ConvertingNode.AddTask(std::move(task));
  }
}

void TPersistentManager::LoadConvertedTask(TConvertedNode& ConvertedNode) {
  ConvertedNode.ClearTasks();
  TSqliteStatement rows(Database(),
                        QStringLiteral("select * from Conversions where Converting=0 and CategoryId=%1 "
                                       "order by ConvertedDate desc")
                            .arg(ConvertedNode.CategoryId()));
  while (rows.Step()) {
    // Settings are read when the task is first shown: a category may hold thousands.
    auto task = std::make_unique<TConvertingTask>(rows.Text(QStringLiteral("ConvertSettings")), ConvertedNode.FListView);
    task->ID = static_cast<int>(rows.Int64(QStringLiteral("ID")));
    task->Date = ReadDate(rows.Text(QStringLiteral("ConvertedDate")));
    task->SetLog(SplitLog(rows.Text(QStringLiteral("Log"))));
    task->CategoryId = ConvertedNode.CategoryId();
    task->Status = stFinished;
    task->Category = &ConvertedNode;
    task->IsConverted = true;
    ConvertedNode.AddTask(std::move(task));
  }
}

std::vector<TPersistentManager::TTaskRow> TPersistentManager::ListTaskRows() {
  std::vector<TTaskRow> list;
  TSqliteStatement rows(Database(),
                        QStringLiteral("select c.ID, c.Converting, c.CategoryId, k.Category, c.ConvertedDate, "
                                       "c.ConvertSettings from conversions c left join categories k "
                                       "on k.ID = c.CategoryId order by c.ID"));
  while (rows.Step()) {
    TTaskRow row;
    row.ID = static_cast<int>(rows.Int64(0));
    row.Converting = rows.Int64(1) != 0;
    row.CategoryId = static_cast<int>(rows.Int64(2));
    row.Category = rows.Text(3);
    if (!rows.IsNull(4)) row.ConvertedDate = ReadDate(rows.Text(4));
    row.SettingsXml = rows.Text(5);
    list.push_back(std::move(row));
  }
  return list;
}

// ------------------------------------------------------------- categories

void TPersistentManager::LoadConvertedNodes(int ID, std::vector<std::unique_ptr<TConvertedNode>>& AList) {
  TSqliteStatement rows(Database(), Numbered("select * from Categories where Parent=", ID));
  while (rows.Step()) {
    auto node = std::make_unique<TConvertedNode>();
    node->SetCategoryId(static_cast<int>(rows.Int64(QStringLiteral("ID"))));
    node->SetCategory(rows.Text(QStringLiteral("Category")));
    node->SetFolder(rows.Text(QStringLiteral("Path")));
    AList.push_back(std::move(node));
  }
}

void TPersistentManager::NewCategory(TConvertedNode& ANode) {
  TSqliteStatement insert(Database(), QStringLiteral("insert into categories(Category, Path, Parent) values(?, ?, ?)"), 3);
  const auto* parent = dynamic_cast<const TConvertedNode*>(ANode.ParentNode());
  insert.Bind(1, ANode.Category());
  insert.Bind(2, ANode.Folder());
  insert.Bind(3, parent ? parent->CategoryId() : -1);
  insert.Execute();
  ANode.SetCategoryId(static_cast<int>(Database().LastInsertRowId()));
}

void TPersistentManager::UpdateCategory(const TConvertedNode& ANode) {
  TSqliteStatement update(Database(), Numbered("update categories set category=?, path=? where ID=", ANode.CategoryId()), 2);
  update.Bind(1, ANode.Category());
  update.Bind(2, ANode.Folder());
  update.Execute();
}

void TPersistentManager::InTransaction(const std::function<void()>& work) {
  tasks::TSqliteTransaction transaction(Database());
  work();
  transaction.Commit();
}

void TPersistentManager::DeleteCategoryTree(const TConvertedNode& ANode) {
  if (ANode.IsRoot()) throw std::logic_error("the root category cannot be deleted");
  const QString subtree =
      QStringLiteral("with recursive subtree(ID) as (select %1 union select c.ID from categories c "
                     "join subtree s on c.Parent=s.ID where c.ID<>1) ")
          .arg(ANode.CategoryId());
  InTransaction([&] {
    TSqliteStatement(Database(), subtree + QStringLiteral("delete from conversions where CategoryId in "
                                                          "(select ID from subtree)")).Execute();
    TSqliteStatement(Database(), subtree + QStringLiteral("delete from categories where ID in "
                                                          "(select ID from subtree)")).Execute();
  });
}

void TPersistentManager::DeleteCategory(const TConvertedNode& ANode) {
  if (ANode.IsRoot()) throw std::logic_error("the root category cannot be deleted");
  InTransaction([&] {
    TSqliteStatement(Database(), Numbered("delete from categories where ID=", ANode.CategoryId())).Execute();
    TSqliteStatement(Database(), Numbered("delete from conversions where CategoryID=", ANode.CategoryId())).Execute();
  });
}
