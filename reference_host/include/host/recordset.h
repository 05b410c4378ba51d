#pragma once
// Forward-only recordsets over the books, read the way an ADO client reads them: EOF, Fields
// (by name without regard to case, or by 0-based position), each field's Value, MoveNext.
//
// Value types, as the books' driver reads each column (Statement::value):
// - money columns -> Currency, exact;
// - integer columns -> Long (Double beyond the 32-bit range);
// - real columns -> Double;
// - date columns -> Date (SQLite: text columns whose name starts with "fecha", and columns
//   declared DATE/DATETIME/TIMESTAMP, from "YYYY-MM-DD[ HH:MM:SS]");
// - other text columns -> String; NULL -> Null in every column;
// - computed columns are typed by their name in the query: MontoTotal and TotalIVA (sums of money
//   columns) -> Currency, pComis -> Double; any other computed column by the value the database
//   gives (integer -> Long, real -> Double, text -> String).

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/session.h"

namespace host {

// The statement under a recordset and its fields, shared so that a field outlives nothing.
class Cursor {
 public:
  Cursor(std::shared_ptr<Database> db, Statement stmt);
  bool eof() const { return eof_; }
  void moveNext();
  int columnCount() const { return static_cast<int>(names_.size()); }
  const std::string& name(int col) const { return names_[static_cast<size_t>(col)]; }
  // -1 when no column has that name.
  int find(std::string_view name) const;
  // The value of a column in the current record (error 3021 at the end).
  automation::Variant value(int col) const;
  void close();

 private:
  std::shared_ptr<Database> db_;
  Statement stmt_;
  std::vector<std::string> names_;
  bool eof_ = true;
  mutable size_t nextGuess_ = 0;  // fields are mostly read in the same order for every record
};

class Field final : public HostObject {
 public:
  Field(std::shared_ptr<HostSession> session, std::shared_ptr<Cursor> cursor, int column);

 protected:
  automation::Variant dispatch(std::string_view member, automation::CallKind kind,
                               automation::CallArgs& args) override;

 private:
  std::shared_ptr<Cursor> cursor_;
  int column_;
};

class Recordset final : public HostObject {
 public:
  // Prepares `sql`, binds args[first..] to its '?' in order (their count must match) and reads
  // the first record. Statements that write are refused: they belong to ExecuteSQL.
  static std::shared_ptr<Recordset> open(std::shared_ptr<HostSession> session, std::string_view sql,
                                         const automation::CallArgs& args, size_t first);
  Recordset(std::shared_ptr<HostSession> session, std::shared_ptr<Cursor> cursor);

  const std::shared_ptr<Field>& field(std::string_view name) const;
  const std::shared_ptr<Field>& field(const automation::Variant& nameOrIndex) const;
  Cursor& cursor() { return *cursor_; }

 protected:
  automation::Variant dispatch(std::string_view member, automation::CallKind kind,
                               automation::CallArgs& args) override;

 private:
  std::shared_ptr<Cursor> cursor_;
  std::vector<std::shared_ptr<Field>> fields_;
  automation::ObjectRef fieldsCollection_;
};

// Binds args[first..] to the statement's parameters; raises when the counts differ.
void bindArguments(Statement& st, const automation::CallArgs& args, size_t first,
                   std::string_view caller);

}  // namespace host
