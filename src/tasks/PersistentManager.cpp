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

const char* const Schema =
    "create table categories (ID integer primary key autoincrement, Category varchar(255), "
    "Path varchar(1024), Parent integer);"
    "create table conversions (ID integer primary key autoincrement, Converting Boolean, "
    "ConvertSettings memo, ConvertedDate datetime, CategoryId integer, Log memo);";

QString StoredDate(const QDateTime& time) {
  return time.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzzZ"));
}

QDateTime ReadDate(const QString& text) {
  return QDateTime::fromString(text, Qt::ISODateWithMs).toLocalTime();
}

QString Numbered(const char* sql, int n) { return QString::fromLatin1(sql) + QString::number(n); }

void CreateSchema(TSqliteDatabase& db, const QString& rootCategory, const QString& rootFolder) {
  db.Execute(QString::fromLatin1(Schema));
  TSqliteStatement insert(db, QStringLiteral("insert into categories(ID, Category, Path, Parent) values(1, ?, ?, -1)"), 2);
  insert.Bind(1, rootCategory);
  insert.Bind(2, rootFolder);
  insert.Execute();
}

// Settings rebuilt from a row; a broken text stops the load with its message.
std::unique_ptr<TConversionSettings> ReadSettings(const TSqliteStatement& row) {
  auto settings = std::make_unique<TConversionSettings>();
  tasks::TOmniXMLReader::LoadFromString(*settings, row.Text(QStringLiteral("ConvertSettings")));
  return settings;
}

}  // namespace

// ------------------------------------------------------------ connection

QString TPersistentManager::DatabaseFile() { return tesvanor::UserDataFolder() + QStringLiteral("av.cfg"); }

void TPersistentManager::Connect(const QString& file, bool create, const QString& rootFolder,
                                 const QString& rootCategory) {
  Disconnect();
  const QFileInfo info(file);
  const bool fresh = !info.exists() || (info.isFile() && info.size() == 0);
  if (!info.exists() && !create)
    throw EDatabaseError(QStringLiteral("Database %1 does not exist").arg(info.absoluteFilePath()));
  const QString cannotOpen = QStringLiteral("Can not open Database %1").arg(info.absoluteFilePath());
  std::unique_ptr<TSqliteDatabase> db;
  try {
    db = std::make_unique<TSqliteDatabase>(file, create);
    // SQLite reads the file lazily: a file that is no database fails here.
    TSqliteStatement probe(*db, QStringLiteral("select count(*) from sqlite_master"));
    probe.Execute();
    if (fresh) CreateSchema(*db, rootCategory, rootFolder);
  } catch (const EDatabaseError&) {
    throw EDatabaseError(cannotOpen);
  }
  Connection() = std::move(db);
}

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

int TPersistentManager::InsertTaskRow(const QString& settingsXml) {
  TSqliteStatement insert(Database(), QStringLiteral("insert into conversions(Converting, ConvertSettings) values(1, ?)"), 1);
  insert.Bind(1, settingsXml);
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
  TSqliteStatement update(Database(), Numbered("update conversions set ConvertSettings=?, Log=? where ID=", id), 2);
  update.Bind(1, settingsXml);
  update.Bind(2, JoinLog(log));
  update.Execute();
  RequireTaskRowChanged(Database(), id);
}

QString TPersistentManager::GetConvertSettings(const TAVTask& ATask) {
  return tasks::TOmniXMLWriter::SaveToString(ATask.Settings());
}

void TPersistentManager::NewDbTask(TAVTask& ATask) { ATask.ID = InsertTaskRow(GetConvertSettings(ATask)); }

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
  TSqliteStatement rows(Database(), QStringLiteral("select * from Conversions where Converting=1"));
  while (rows.Step()) {
    auto task = std::make_unique<TConvertingTask>(ReadSettings(rows), ConvertingNode.FListView);
    task->ID = static_cast<int>(rows.Int64(QStringLiteral("ID")));
    task->SetLog(SplitLog(rows.Text(QStringLiteral("Log"))));
    task->Status = stError;
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

void TPersistentManager::DeleteCategory(const TConvertedNode& ANode) {
  if (ANode.IsRoot()) throw std::logic_error("the root category cannot be deleted");
  InTransaction([&] {
    TSqliteStatement(Database(), Numbered("delete from categories where ID=", ANode.CategoryId())).Execute();
    TSqliteStatement(Database(), Numbered("delete from conversions where CategoryID=", ANode.CategoryId())).Execute();
  });
}
