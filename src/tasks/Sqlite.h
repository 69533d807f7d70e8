#pragma once
// A thin owning wrapper over the SQLite C API: a connection and prepared
// statements with positional parameters. Failures raise EDatabaseError
// carrying SQLite's message (EDatabaseBusy when another connection held the
// file past the busy wait).

#include <QString>
#include <QVariant>
#include <cstdint>
#include <functional>
#include <memory>

struct sqlite3;
struct sqlite3_stmt;

namespace tasks {

// Called with the text of every statement before it runs. Tests fail chosen
// statements here to stand for a program killed between two of them; null
// (the default) runs everything.
using TStatementHook = std::function<void(const QString& sql)>;
void SetStatementHook(TStatementHook hook);

// How long a statement waits for another connection to let go of the file
// before it fails with EDatabaseBusy.
constexpr int DefaultBusyTimeoutMs = 5000;

struct TSqliteCloser {
  void operator()(sqlite3* db) const;
};
struct TSqliteFinalizer {
  void operator()(sqlite3_stmt* statement) const;
};

class TSqliteDatabase {
 public:
  enum class TOpenMode { ReadWrite, Create, ReadOnly };

  // Opens an existing file, or creates it when create is set. Raises
  // EDatabaseError when SQLite cannot use the file.
  TSqliteDatabase(const QString& fileName, bool create);
  TSqliteDatabase(const QString& fileName, TOpenMode mode);

  sqlite3* Handle() const { return FDb.get(); }
  // Runs statements without parameters or results.
  void Execute(const QString& sql);
  int64_t LastInsertRowId() const;
  // Rows the last insert, update or delete touched.
  int Changes() const;
  QString LastError() const;
  // The error of the last failed call, EDatabaseBusy when the file was held.
  [[noreturn]] void Fail() const;
  void SetBusyTimeout(int ms);

 private:
  std::unique_ptr<sqlite3, TSqliteCloser> FDb;
};

class TSqliteStatement {
 public:
  // Prepares sql. When expectedParameters is given, a different number of
  // "?" parameters is a programming error (std::logic_error).
  TSqliteStatement(TSqliteDatabase& db, const QString& sql, int expectedParameters = -1);

  int ParameterCount() const;
  // Parameters count from 1. A null QVariant binds NULL.
  void Bind(int index, const QVariant& value);
  // Runs the statement one step: true while it delivers a row.
  bool Step();
  // Runs a statement that delivers no rows to its end.
  void Execute();

  int ColumnCount() const;
  // The column of a result named so, in any letter case; raises
  // EDatabaseError "no such column: NAME" when the result has none.
  int ColumnIndex(const QString& name) const;
  bool IsNull(int column) const;
  QString Text(int column) const;
  int64_t Int64(int column) const;
  QString Text(const QString& column) const { return Text(ColumnIndex(column)); }
  int64_t Int64(const QString& column) const { return Int64(ColumnIndex(column)); }
  bool IsNull(const QString& column) const { return IsNull(ColumnIndex(column)); }

 private:
  [[noreturn]] void Fail() const;

  TSqliteDatabase& FDb;
  std::unique_ptr<sqlite3_stmt, TSqliteFinalizer> FStatement;
};

// Statements that belong together: all of them reach the file or none. Rolled
// back on destruction unless committed.
class TSqliteTransaction {
 public:
  explicit TSqliteTransaction(TSqliteDatabase& db);
  ~TSqliteTransaction();
  TSqliteTransaction(const TSqliteTransaction&) = delete;
  TSqliteTransaction& operator=(const TSqliteTransaction&) = delete;
  void Commit();

 private:
  TSqliteDatabase& FDb;
  bool FOpen = true;
};

}  // namespace tasks
