#include "host/recordset.h"

#include "host/errors.h"
#include "text/text.h"

namespace host {

using automation::CallArgs;
using automation::CallKind;
using automation::Variant;
using automation::VarType;

namespace {

using text::equalsNoCase;

[[noreturn]] void noCurrentRecord() {
  raiseHost(hosterr::kNoCurrentRecord,
            "Either BOF or EOF is True, or the current record has been deleted");
}

}  // namespace

void bindArguments(Statement& st, const CallArgs& args, size_t first, std::string_view caller) {
  size_t given = args.size() > first ? args.size() - first : 0;
  size_t wanted = static_cast<size_t>(st.parameterCount());
  if (given != wanted)
    raiseHost(hosterr::kInvalidArgument,
              std::string(caller) + ": the statement has " + std::to_string(wanted) +
                  " parameter(s) and " + std::to_string(given) + " value(s) were given");
  for (size_t i = 0; i < wanted; ++i)
    st.bind(static_cast<int>(i + 1), args.positional()[first + i].value());
}

// ---- Cursor ----

Cursor::Cursor(std::shared_ptr<Database> db, Statement stmt)
    : db_(std::move(db)), stmt_(std::move(stmt)) {
  int n = stmt_.columnCount();
  names_.reserve(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) names_.push_back(stmt_.columnName(i));
  eof_ = !stmt_.step();
  if (eof_) stmt_.reset();  // frees the read snapshot at once
}

void Cursor::moveNext() {
  if (eof_) noCurrentRecord();
  eof_ = !stmt_.step();
  if (eof_) stmt_.reset();
}

void Cursor::close() {
  eof_ = true;
  stmt_.reset();
}

int Cursor::find(std::string_view name) const {
  // Readers ask for the fields in query order, mostly spelt as the query spells them.
  const size_t guess = nextGuess_;
  if (guess < names_.size() && equalsNoCase(names_[guess], name)) {
    nextGuess_ = guess + 1 == names_.size() ? 0 : guess + 1;
    return static_cast<int>(guess);
  }
  for (size_t i = 0; i < names_.size(); ++i)
    if (names_[i].size() == name.size() && equalsNoCase(names_[i], name)) {
      nextGuess_ = (i + 1) % names_.size();
      return static_cast<int>(i);
    }
  return -1;
}

Variant Cursor::value(int col) const {
  if (eof_) noCurrentRecord();
  return stmt_.value(col);
}

// ---- Field ----

Field::Field(std::shared_ptr<HostSession> session, std::shared_ptr<Cursor> cursor, int column)
    : HostObject(std::move(session), "Field"), cursor_(std::move(cursor)), column_(column) {
  getter("Value", [this](CallArgs& a) {
    a.expect(0, 0);
    return cursor_->value(column_);
  });
  getter("Name", [this](CallArgs&) { return Variant(cursor_->name(column_)); });
}

Variant Field::dispatch(std::string_view member, CallKind kind, CallArgs& args) {
  // The hot path of every query: Value read straight from the statement.
  if ((kind == CallKind::Get || kind == CallKind::Method) && args.size() == 0 &&
      member.size() == 5 && equalsNoCase(member, "Value"))
    return cursor_->value(column_);
  return HostObject::dispatch(member, kind, args);
}

// ---- Fields collection ----

namespace {

using FieldList = std::vector<std::shared_ptr<Field>>;

[[noreturn]] void itemNotFound(const std::string& what) {
  raiseHost(hosterr::kItemNotFound,
            "Item cannot be found in the collection corresponding to the requested name or "
            "ordinal (" +
                what + ")");
}

const std::shared_ptr<Field>& lookupField(const Cursor& cursor, const FieldList& fields,
                                          std::string_view name) {
  int col = cursor.find(name);
  if (col < 0) itemNotFound(std::string(name));
  return fields[static_cast<size_t>(col)];
}

const std::shared_ptr<Field>& lookupField(const Cursor& cursor, const FieldList& fields,
                                          const Variant& nameOrIndex) {
  if (nameOrIndex.type() == VarType::String)
    return lookupField(cursor, fields, std::string_view(nameOrIndex.asString()));
  if (nameOrIndex.isNumeric()) {
    int32_t i = automation::cLng(nameOrIndex);
    if (i < 0 || i >= static_cast<int32_t>(fields.size())) itemNotFound(std::to_string(i));
    return fields[static_cast<size_t>(i)];
  }
  return lookupField(cursor, fields, std::string_view(automation::cStr(nameOrIndex)));
}

class FieldsCollection final : public HostObject {
 public:
  FieldsCollection(std::shared_ptr<HostSession> session, std::shared_ptr<Cursor> cursor,
                   FieldList fields)
      : HostObject(std::move(session), "Fields"),
        cursor_(std::move(cursor)),
        fields_(std::move(fields)) {
    getter("Item", [this](CallArgs& a) {
      a.expect(1, 1);
      return Variant(lookupField(*cursor_, fields_, a.at(0)));
    });
    getter("Count", [this](CallArgs&) { return Variant(static_cast<int32_t>(fields_.size())); });
  }

 private:
  std::shared_ptr<Cursor> cursor_;
  FieldList fields_;
};

}  // namespace

// ---- Recordset ----

std::shared_ptr<Recordset> Recordset::open(std::shared_ptr<HostSession> session,
                                           std::string_view sql, const CallArgs& args,
                                           size_t first) {
  Statement st = session->db().prepare(sql);
  if (!st.readOnly())
    raiseHost(hosterr::kInvalidArgument,
              "OpenRecordset reads only; a statement that changes the books belongs to ExecuteSQL");
  bindArguments(st, args, first, "OpenRecordset");
  auto cursor = std::make_shared<Cursor>(session->database(), std::move(st));
  return std::make_shared<Recordset>(std::move(session), std::move(cursor));
}

Recordset::Recordset(std::shared_ptr<HostSession> session, std::shared_ptr<Cursor> cursor)
    : HostObject(session, "Recordset"), cursor_(std::move(cursor)) {
  for (int i = 0; i < cursor_->columnCount(); ++i)
    fields_.push_back(std::make_shared<Field>(session, cursor_, i));
  getter("EOF", [this](CallArgs&) { return Variant(cursor_->eof()); });
  getter("Fields", [this](CallArgs& a) {
    a.expect(0, 1);
    if (a.size() == 1) return Variant(field(a.at(0)));
    if (!fieldsCollection_)
      fieldsCollection_ = std::make_shared<FieldsCollection>(sessionPtr(), cursor_, fields_);
    return Variant(fieldsCollection_);
  });
  method("MoveNext", [this](CallArgs& a) {
    a.expect(0, 0);
    cursor_->moveNext();
    return Variant();
  });
  method("Close", [this](CallArgs& a) {
    a.expect(0, 0);
    cursor_->close();
    return Variant();
  });
  getter("RecordCount", [](CallArgs&) { return Variant(int32_t{-1}); });  // forward-only
}

const std::shared_ptr<Field>& Recordset::field(std::string_view name) const {
  return lookupField(*cursor_, fields_, name);
}

const std::shared_ptr<Field>& Recordset::field(const Variant& nameOrIndex) const {
  return lookupField(*cursor_, fields_, nameOrIndex);
}

Variant Recordset::dispatch(std::string_view member, CallKind kind, CallArgs& args) {
  // The members every read of a query uses, answered without the member table.
  if (kind == CallKind::Get || kind == CallKind::Method) {
    switch (member.size()) {
      case 3:
        if (args.size() == 0 && equalsNoCase(member, "EOF")) return Variant(cursor_->eof());
        break;
      case 6:
        if (args.size() == 1 && equalsNoCase(member, "Fields"))
          return Variant(field(args.at(0)));
        break;
      case 8:
        if (args.size() == 0 && equalsNoCase(member, "MoveNext")) {
          cursor_->moveNext();
          return Variant();
        }
        break;
      default:
        break;
    }
  }
  return HostObject::dispatch(member, kind, args);
}

}  // namespace host
