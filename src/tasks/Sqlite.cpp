#include "tasks/Sqlite.h"

#include <sqlite3.h>

#include <stdexcept>

#include "tasks/XmlErrors.h"

namespace tasks {

namespace {

TStatementHook& StatementHook() {
  static TStatementHook hook;
  return hook;
}

void BeforeStatement(const QString& sql) {
  if (const TStatementHook& hook = StatementHook()) hook(sql);
}

}  // namespace

void SetStatementHook(TStatementHook hook) { StatementHook() = std::move(hook); }

void TSqliteCloser::operator()(sqlite3* db) const { sqlite3_close_v2(db); }
void TSqliteFinalizer::operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }

// ------------------------------------------------------------ connection

TSqliteDatabase::TSqliteDatabase(const QString& fileName, bool create)
    : TSqliteDatabase(fileName, create ? TOpenMode::Create : TOpenMode::ReadWrite) {}

TSqliteDatabase::TSqliteDatabase(const QString& fileName, TOpenMode mode) {
  sqlite3* db = nullptr;
  const int flags = mode == TOpenMode::ReadOnly ? SQLITE_OPEN_READONLY
                    : mode == TOpenMode::Create ? SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE
                                                : SQLITE_OPEN_READWRITE;
  const int rc = sqlite3_open_v2(fileName.toUtf8().constData(), &db, flags, nullptr);
  FDb.reset(db);
  if (rc != SQLITE_OK) Fail();
  SetBusyTimeout(DefaultBusyTimeoutMs);
}

void TSqliteDatabase::SetBusyTimeout(int ms) { sqlite3_busy_timeout(FDb.get(), ms); }

void TSqliteDatabase::Fail() const {
  const bool busy = FDb && (sqlite3_errcode(FDb.get()) & 0xff) == SQLITE_BUSY;
  if (busy) throw EDatabaseBusy(LastError());
  throw EDatabaseError(LastError());
}

void TSqliteDatabase::Execute(const QString& sql) {
  BeforeStatement(sql);
  char* message = nullptr;
  if (sqlite3_exec(FDb.get(), sql.toUtf8().constData(), nullptr, nullptr, &message) != SQLITE_OK) {
    const QString text = message ? QString::fromUtf8(message) : LastError();
    sqlite3_free(message);
    if ((sqlite3_errcode(FDb.get()) & 0xff) == SQLITE_BUSY) throw EDatabaseBusy(text);
    throw EDatabaseError(text);
  }
}

TSqliteTransaction::TSqliteTransaction(TSqliteDatabase& db) : FDb(db) { FDb.Execute(QStringLiteral("begin immediate")); }

TSqliteTransaction::~TSqliteTransaction() {
  if (FOpen) sqlite3_exec(FDb.Handle(), "rollback", nullptr, nullptr, nullptr);
}

void TSqliteTransaction::Commit() {
  FDb.Execute(QStringLiteral("commit"));
  FOpen = false;
}

int64_t TSqliteDatabase::LastInsertRowId() const { return sqlite3_last_insert_rowid(FDb.get()); }

int TSqliteDatabase::Changes() const { return sqlite3_changes(FDb.get()); }

QString TSqliteDatabase::LastError() const {
  return FDb ? QString::fromUtf8(sqlite3_errmsg(FDb.get())) : QStringLiteral("out of memory");
}

// ------------------------------------------------------------- statements

TSqliteStatement::TSqliteStatement(TSqliteDatabase& db, const QString& sql, int expectedParameters) : FDb(db) {
  BeforeStatement(sql);
  const QByteArray text = sql.toUtf8();
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(db.Handle(), text.constData(), int(text.size()), &statement, nullptr) != SQLITE_OK) {
    sqlite3_finalize(statement);
    Fail();
  }
  FStatement.reset(statement);
  if (expectedParameters >= 0 && ParameterCount() != expectedParameters)
    throw std::logic_error("statement parameter count mismatch: " + sql.toStdString());
}

void TSqliteStatement::Fail() const { FDb.Fail(); }

int TSqliteStatement::ParameterCount() const { return sqlite3_bind_parameter_count(FStatement.get()); }

void TSqliteStatement::Bind(int index, const QVariant& value) {
  sqlite3_stmt* s = FStatement.get();
  int rc;
  if (value.isNull()) {
    rc = sqlite3_bind_null(s, index);
  } else if (value.typeId() == QMetaType::Int || value.typeId() == QMetaType::LongLong ||
             value.typeId() == QMetaType::Bool || value.typeId() == QMetaType::Long) {
    rc = sqlite3_bind_int64(s, index, value.toLongLong());
  } else {
    const QByteArray text = value.toString().toUtf8();
    rc = sqlite3_bind_text(s, index, text.constData(), int(text.size()), SQLITE_TRANSIENT);
  }
  if (rc != SQLITE_OK) Fail();
}

bool TSqliteStatement::Step() {
  switch (sqlite3_step(FStatement.get())) {
    case SQLITE_ROW: return true;
    case SQLITE_DONE: return false;
    default: Fail();
  }
}

void TSqliteStatement::Execute() {
  while (Step()) {
  }
}

int TSqliteStatement::ColumnCount() const { return sqlite3_column_count(FStatement.get()); }

int TSqliteStatement::ColumnIndex(const QString& name) const {
  for (int i = 0; i < ColumnCount(); ++i)
    if (name.compare(QString::fromUtf8(sqlite3_column_name(FStatement.get(), i)), Qt::CaseInsensitive) == 0) return i;
  throw EDatabaseError(QStringLiteral("no such column: %1").arg(name));
}

bool TSqliteStatement::IsNull(int column) const {
  return sqlite3_column_type(FStatement.get(), column) == SQLITE_NULL;
}

QString TSqliteStatement::Text(int column) const {
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(FStatement.get(), column));
  return text ? QString::fromUtf8(text, sqlite3_column_bytes(FStatement.get(), column)) : QString();
}

int64_t TSqliteStatement::Int64(int column) const { return sqlite3_column_int64(FStatement.get(), column); }

}  // namespace tasks
