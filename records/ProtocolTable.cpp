#include "records/ProtocolTable.h"

#include "platform/CivilDate.h"
#include "platform/CodePage.h"
#include "platform/FileSystem.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <sqlite3.h>

namespace {
// The collation of the case-insensitive indexes: Windows-1251 letters,
// Cyrillic included, compare without regard to case.
constexpr const char *kNoCase = "MV1251NOCASE";

enum class Kind { Date, Time, String, AutoInc };
struct FieldDef {
  const char *name;
  Kind kind;
  std::size_t size;
  bool required;
};
// In stored order; the first four make the primary key.
constexpr std::array<FieldDef, 8> kFields = {
    {{"FDate", Kind::Date, 0, true},
     {"FTime", Kind::Time, 0, true},
     {"FName", Kind::String, ProtocolTable::kNameSize, true},
     {"FInc", Kind::AutoInc, 0, false},
     {"FDir", Kind::String, ProtocolTable::kDirSize, false},
     {"FFrom", Kind::String, ProtocolTable::kFromSize, false},
     {"FTema", Kind::String, ProtocolTable::kTemaSize, false},
     {"FComment", Kind::String, ProtocolTable::kCommentSize, false}}};
enum FieldNo { kFDate, kFTime, kFName, kFInc, kFDir, kFFrom, kFTema, kFComment };

const std::string *StringField(const ProtocolRecord &r, int field) {
  switch (field) {
  case kFName:
    return &r.FName;
  case kFDir:
    return &r.FDir;
  case kFFrom:
    return &r.FFrom;
  case kFTema:
    return &r.FTema;
  case kFComment:
    return &r.FComment;
  default:
    return nullptr;
  }
}

int CompareNoCase(void *, int length1, const void *text1, int length2, const void *text2) {
  const std::string a = mv::Utf8ToWin1251(std::string_view(static_cast<const char *>(text1), length1));
  const std::string b = mv::Utf8ToWin1251(std::string_view(static_cast<const char *>(text2), length2));
  const int order = mv::CompareText1251(a, b);
  return order < 0 ? -1 : order > 0 ? 1 : 0;
}

// One prepared statement, finalized on every path.
class Statement {
public:
  Statement(sqlite3 *db, const std::string &sql) : db_(db) {
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt_, nullptr) != SQLITE_OK)
      Fail();
  }
  ~Statement() { sqlite3_finalize(stmt_); }
  Statement(const Statement &) = delete;
  Statement &operator=(const Statement &) = delete;

  void Bind(const ProtocolTable::KeyValue &value) {
    if (const auto *number = std::get_if<std::int64_t>(&value))
      Check(sqlite3_bind_int64(stmt_, ++bound_, *number));
    else
      BindText(std::get<std::string>(value));
  }
  void BindText(const std::string &text1251) {
    Check(sqlite3_bind_text(stmt_, ++bound_, mv::Win1251ToUtf8(text1251).c_str(), -1, SQLITE_TRANSIENT));
  }
  void BindOptional(const std::optional<int> &value) {
    Check(value ? sqlite3_bind_int64(stmt_, ++bound_, *value) : sqlite3_bind_null(stmt_, ++bound_));
  }
  // True while a row is available.
  bool Step() {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW)
      return true;
    if (rc != SQLITE_DONE)
      Fail();
    return false;
  }
  std::int64_t Int(int column) const { return sqlite3_column_int64(stmt_, column); }
  bool IsNull(int column) const { return sqlite3_column_type(stmt_, column) == SQLITE_NULL; }
  std::string Text(int column) const {
    const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(stmt_, column));
    return text ? mv::Utf8ToWin1251(text) : std::string();
  }

private:
  void Check(int rc) {
    if (rc != SQLITE_OK)
      Fail();
  }
  [[noreturn]] void Fail() { throw EDatabaseError(mv::Utf8ToWin1251(sqlite3_errmsg(db_))); }

  sqlite3 *db_;
  sqlite3_stmt *stmt_ = nullptr;
  int bound_ = 0;
};

// One row of a query that selects every field in stored order.
ProtocolRecord RecordOf(const Statement &query);

void Execute(sqlite3 *db, const std::string &sql) {
  char *message = nullptr;
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
    const std::string text = message ? message : sqlite3_errmsg(db);
    sqlite3_free(message);
    throw EDatabaseError(mv::Utf8ToWin1251(text));
  }
}

std::string FieldList() {
  std::string list;
  for (const FieldDef &field : kFields)
    list += std::string(list.empty() ? "" : ",") + field.name;
  return list;
}

const char *const kCreateSql = "CREATE TABLE Protocol("
                               "FDate INTEGER NOT NULL,"
                               "FTime INTEGER NOT NULL,"
                               "FName TEXT NOT NULL,"
                               "FInc INTEGER PRIMARY KEY AUTOINCREMENT,"
                               "FDir TEXT, FFrom TEXT, FTema TEXT, FComment TEXT);"
                               "CREATE UNIQUE INDEX ProtocolPrimary ON Protocol(FDate, FTime, FName, FInc);"
                               "CREATE INDEX T1ByFName ON Protocol(FDate, FTime, FName COLLATE MV1251NOCASE);"
                               "CREATE INDEX T1ByFRom ON Protocol(FFrom COLLATE MV1251NOCASE, FDate, FTime);";

sqlite3 *OpenDatabase(const std::string &path1251, int flags) {
  sqlite3 *db = nullptr;
  const int rc = sqlite3_open_v2(mv::ToDiskPath(path1251).c_str(), &db, flags, nullptr);
  if (rc != SQLITE_OK) {
    const std::string text = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    sqlite3_close_v2(db);
    throw EDatabaseError(mv::Utf8ToWin1251(text) + ": " + path1251);
  }
  sqlite3_create_collation_v2(db, kNoCase, SQLITE_UTF8, nullptr, CompareNoCase, nullptr);
  // Every filed file posts a row: with a write-ahead log synced only at its
  // checkpoints (see UseWriteAheadLog), a row costs no disk flushes of its
  // own. A crash of the program loses nothing; a power failure may lose the
  // last rows, and their files are then filed again beside themselves.
  sqlite3_exec(db, "PRAGMA synchronous=NORMAL;", nullptr, nullptr, nullptr);
  return db;
}

struct IndexDef {
  const char *name;
  const char *fieldList;
  std::vector<std::pair<int, bool>> keys; // field number, letter case ignored
};
// The primary order first: an empty index name and a field list that no other
// index begins with find it.
const std::array<IndexDef, 3> kIndexes = {
    {{"", "fdate;ftime;fname;finc", {{kFDate, false}, {kFTime, false}, {kFName, false}, {kFInc, false}}},
     {"T1ByFName", "FDate;FTime;FName", {{kFDate, false}, {kFTime, false}, {kFName, true}}},
     {"T1ByFRom", "FFrom;FDate;FTime", {{kFFrom, true}, {kFDate, false}, {kFTime, false}}}}};

std::string KeyColumn(const std::pair<int, bool> &key) {
  return std::string(kFields[key.first].name) + (key.second ? std::string(" COLLATE ") + kNoCase : "");
}

// "(a, b)" over the first count key columns of an index.
std::string KeyColumns(const IndexDef &index, std::size_t count) {
  std::string columns;
  for (std::size_t i = 0; i < count; ++i)
    columns += (i ? ", " : "") + KeyColumn(index.keys[i]);
  return "(" + columns + ")";
}

std::string Placeholders(std::size_t count) {
  std::string marks;
  for (std::size_t i = 0; i < count; ++i)
    marks += i ? ", ?" : "?";
  return "(" + marks + ")";
}

std::string *StringField(ProtocolRecord &r, int field) {
  return const_cast<std::string *>(StringField(static_cast<const ProtocolRecord &>(r), field));
}

void NotifyAll(const std::map<int, std::function<void(ProtocolTable::Change)>> &observers,
               ProtocolTable::Change change) {
  // A copy: an observer may unsubscribe while being told.
  const auto snapshot = observers;
  for (const auto &[handle, onChange] : snapshot)
    onChange(change);
}
// Switches a proven protocol table to the write-ahead log (kept in the file
// from then on). A file system without the log's shared memory keeps the
// rollback journal; nothing else changes.
void UseWriteAheadLog(sqlite3 *db) {
  sqlite3_exec(db, "PRAGMA journal_mode=WAL;", nullptr, nullptr, nullptr);
}

} // namespace

ProtocolTable::~ProtocolTable() {
  sqlite3_close_v2(db_);
  sqlite3_close_v2(keeper_); // the last connection: the log goes into the file
}

void ProtocolTable::SetTableName(const std::string &path) {
  if (path == path_)
    return;
  Close();
  sqlite3_close_v2(keeper_);
  keeper_ = nullptr;
  path_ = path;
}

void ProtocolTable::CreateTable() {
  if (Active())
    throw EDatabaseError("Cannot perform this operation on an open dataset");
  if (mv::FileExists(path_))
    throw EDatabaseError("Table already exists: " + path_);
  sqlite3 *db = OpenDatabase(path_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
  try {
    Execute(db, std::string("BEGIN;") + kCreateSql + "COMMIT;");
  } catch (...) {
    sqlite3_close_v2(db);
    mv::DeleteFileAt(path_);
    throw;
  }
  sqlite3_close_v2(db);
}

void ProtocolTable::Open() {
  if (Active())
    return;
  if (path_.empty())
    throw EDatabaseError("Missing TableName property");
  db_ = OpenDatabase(path_, SQLITE_OPEN_READWRITE);
  state_ = State::Browse;
  try {
    Requery(std::nullopt); // also proves the file holds a protocol table
    UseWriteAheadLog(db_);
    // Routing opens and closes the table for every row. A second connection
    // held for the table's life keeps each close from being the last one,
    // which would carry the log into the file with a flush every time, and
    // each open from reading the log anew; the last close carries it.
    if (!keeper_)
      keeper_ = OpenDatabase(path_, SQLITE_OPEN_READWRITE);
  } catch (...) {
    sqlite3_close_v2(db_);
    db_ = nullptr;
    state_ = State::Inactive;
    throw;
  }
}

void ProtocolTable::Close() {
  if (!Active())
    return;
  sqlite3_close_v2(db_);
  db_ = nullptr;
  state_ = State::Inactive;
  rows_.clear();
  position_ = -1;
  eof_ = bof_ = true;
  current_ = {};
  editing_ = {};
  // The visible set is now empty: views that recount rows only on Rows must
  // drop theirs.
  Notify(Change::Rows);
}

void ProtocolTable::RequireActive() const {
  if (!Active())
    throw EDatabaseError("Cannot perform this operation on a closed dataset");
}

void ProtocolTable::RequireBrowsing() const {
  RequireActive();
  if (state_ != State::Browse)
    throw EDatabaseError("Cannot perform this operation while a record is being changed");
}

void ProtocolTable::SetIndexName(const std::string &name) {
  for (std::size_t i = 0; i < kIndexes.size(); ++i) {
    if (mv::SameText1251(kIndexes[i].name, name)) {
      indexName_ = kIndexes[i].name;
      index_ = static_cast<int>(i);
      range_.reset();
      if (Active())
        Requery(current_.FInc ? std::optional<std::int64_t>(current_.FInc) : std::nullopt);
      return;
    }
  }
  throw EDatabaseError("Index '" + name + "' not found");
}

void ProtocolTable::SetIndexFieldNames(const std::string &fieldNames) {
  for (const IndexDef &index : kIndexes) {
    const std::string list = index.fieldList;
    const bool leading = list.size() >= fieldNames.size() &&
                         mv::SameText1251(list.substr(0, fieldNames.size()), fieldNames) &&
                         (list.size() == fieldNames.size() || list[fieldNames.size()] == ';');
    if (!fieldNames.empty() && leading) {
      SetIndexName(index.name);
      return;
    }
  }
  throw EDatabaseError("No index for fields '" + fieldNames + "'");
}

void ProtocolTable::SetNameFilter(const std::string &name) {
  nameFilter_ = name;
  if (Active() && filtered_)
    Requery(std::nullopt);
}

void ProtocolTable::SetFiltered(bool on) {
  filtered_ = on;
  if (Active())
    Requery(std::nullopt);
}

void ProtocolTable::SetRange(const std::vector<KeyValue> &start, const std::vector<KeyValue> &end) {
  RequireBrowsing();
  const std::size_t keys = kIndexes[index_].keys.size();
  if (start.empty() || end.empty() || start.size() > keys || end.size() > keys)
    throw EDatabaseError("Invalid range key");
  range_.emplace(start, end);
  Requery(std::nullopt);
}

void ProtocolTable::CancelRange() {
  range_.reset();
  if (Active())
    Requery(std::nullopt);
}

std::string ProtocolTable::VisibleSql(const std::string &columns, std::vector<KeyValue> &values) const {
  const IndexDef &index = kIndexes[index_];
  std::string sql = "SELECT " + columns + " FROM Protocol WHERE 1";
  if (filtered_ && !nameFilter_.empty()) {
    if (nameFilter_.size() >= 2 && nameFilter_.back() == '*') {
      const std::string prefix = nameFilter_.substr(0, nameFilter_.size() - 1);
      sql += " AND substr(FName, 1, length(?)) = ?";
      values.insert(values.end(), {prefix, prefix});
    } else {
      sql += " AND FName = ?";
      values.push_back(nameFilter_);
    }
  }
  if (range_) {
    const auto &[start, end] = *range_;
    sql += " AND " + KeyColumns(index, start.size()) + " >= " + Placeholders(start.size());
    sql += " AND " + KeyColumns(index, end.size()) + " <= " + Placeholders(end.size());
    values.insert(values.end(), start.begin(), start.end());
    values.insert(values.end(), end.begin(), end.end());
  }
  // The row number last keeps equal keys in the order they were stored.
  sql += " ORDER BY ";
  for (const auto &key : index.keys)
    sql += KeyColumn(key) + ", ";
  return sql + "FInc";
}

void ProtocolTable::Requery(std::optional<std::int64_t> keepRow) {
  std::vector<KeyValue> values;
  Statement query(db_, VisibleSql("FInc", values));
  for (const KeyValue &value : values)
    query.Bind(value);
  std::vector<std::int64_t> rows;
  while (query.Step())
    rows.push_back(query.Int(0));
  rows_ = std::move(rows);

  int row = rows_.empty() ? -1 : 0;
  if (keepRow)
    for (std::size_t i = 0; i < rows_.size(); ++i)
      if (rows_[i] == *keepRow)
        row = static_cast<int>(i);
  MoveToRow(row, Change::Rows);
}

void ProtocolTable::MoveToRow(int row, Change change) {
  position_ = row;
  eof_ = bof_ = rows_.empty();
  current_ = row >= 0 ? LoadRecord(rows_[static_cast<std::size_t>(row)]) : ProtocolRecord{};
  Notify(change);
}

ProtocolRecord ProtocolTable::LoadRecord(std::int64_t id) const {
  Statement query(db_, "SELECT " + FieldList() + " FROM Protocol WHERE FInc = ?");
  query.Bind(KeyValue(id));
  if (!query.Step())
    throw EDatabaseError("Record not found or changed by another user");
  return RecordOf(query);
}

std::vector<ProtocolRecord> ProtocolTable::VisibleRecords() const {
  RequireActive();
  std::vector<KeyValue> values;
  Statement query(db_, VisibleSql(FieldList(), values));
  for (const KeyValue &value : values)
    query.Bind(value);
  std::vector<ProtocolRecord> records;
  records.reserve(rows_.size());
  while (query.Step())
    records.push_back(RecordOf(query));
  return records;
}

namespace {
ProtocolRecord RecordOf(const Statement &query) {
  ProtocolRecord r;
  if (!query.IsNull(kFDate))
    r.FDate = static_cast<int>(query.Int(kFDate));
  if (!query.IsNull(kFTime))
    r.FTime = static_cast<int>(query.Int(kFTime));
  r.FInc = query.Int(kFInc);
  for (int field : {kFName, kFDir, kFFrom, kFTema, kFComment})
    *StringField(r, field) = query.Text(field);
  return r;
}
} // namespace

void ProtocolTable::First() {
  RequireBrowsing();
  MoveToRow(rows_.empty() ? -1 : 0, Change::Current);
  bof_ = true;
}

void ProtocolTable::Last() {
  RequireBrowsing();
  MoveToRow(static_cast<int>(rows_.size()) - 1, Change::Current);
  eof_ = true;
}

void ProtocolTable::Next() {
  RequireBrowsing();
  if (position_ + 1 < static_cast<int>(rows_.size())) {
    MoveToRow(position_ + 1, Change::Current);
  } else {
    eof_ = true;
  }
}

void ProtocolTable::Prior() {
  RequireBrowsing();
  if (position_ > 0) {
    MoveToRow(position_ - 1, Change::Current);
  } else {
    bof_ = true;
  }
}

int ProtocolTable::RecordCount() const {
  RequireActive();
  return static_cast<int>(rows_.size());
}

void ProtocolTable::MoveTo(int row) {
  RequireBrowsing();
  if (row < 0 || row >= static_cast<int>(rows_.size()))
    throw EDatabaseError("Record number out of range");
  MoveToRow(row, Change::Current);
}

ProtocolRecord ProtocolTable::RecordAt(int row) const {
  RequireActive();
  if (row < 0 || row >= static_cast<int>(rows_.size()))
    throw EDatabaseError("Record number out of range");
  if (row == position_)
    return current_;
  return LoadRecord(rows_[static_cast<std::size_t>(row)]);
}

bool ProtocolTable::FindKey(const std::vector<KeyValue> &key) {
  RequireBrowsing();
  const IndexDef &index = kIndexes[index_];
  if (key.empty() || key.size() > index.keys.size())
    throw EDatabaseError("Invalid key");
  // The whole table is searched: the name filter and range the protocol
  // window leaves behind must not hide a recorded file from the routing
  // step, which would then file it a second time.
  std::string sql = "SELECT FInc FROM Protocol WHERE " + KeyColumns(index, key.size()) + " = " +
                    Placeholders(key.size()) + " ORDER BY ";
  for (const auto &indexKey : index.keys)
    sql += KeyColumn(indexKey) + ", ";
  Statement query(db_, sql + "FInc LIMIT 1");
  for (const KeyValue &value : key)
    query.Bind(value);
  if (!query.Step())
    return false;
  const std::int64_t id = query.Int(0);
  for (std::size_t i = 0; i < rows_.size(); ++i)
    if (rows_[i] == id)
      MoveToRow(static_cast<int>(i), Change::Current);
  return true;
}

const ProtocolRecord &ProtocolTable::Current() const {
  return state_ == State::Insert || state_ == State::Edit ? editing_ : current_;
}

int ProtocolTable::FieldNumber(const std::string &field) const {
  for (std::size_t i = 0; i < kFields.size(); ++i)
    if (mv::SameText1251(kFields[i].name, field))
      return static_cast<int>(i);
  throw EDatabaseError("Field '" + field + "' not found");
}

std::string ProtocolTable::FieldText(const std::string &field) const {
  RequireActive();
  const ProtocolRecord &r = Current();
  const int number = FieldNumber(field);
  switch (kFields[number].kind) {
  case Kind::Date:
    return r.FDate ? mv::ShortDateText(*r.FDate) : std::string();
  case Kind::Time:
    return r.FTime ? mv::LongTimeText(*r.FTime) : std::string();
  case Kind::AutoInc:
    return r.FInc ? std::to_string(r.FInc) : std::string();
  case Kind::String:
    break;
  }
  return *StringField(r, number);
}

void ProtocolTable::Insert() {
  RequireActive();
  if (state_ != State::Browse)
    Post();
  editing_ = {};
  state_ = State::Insert;
  Notify(Change::Current);
}

void ProtocolTable::Edit() {
  RequireActive();
  if (state_ != State::Browse)
    return;
  if (rows_.empty()) {
    Insert();
    return;
  }
  editing_ = current_;
  state_ = State::Edit;
  Notify(Change::Current);
}

void ProtocolTable::SetFieldString(const std::string &field, const std::string &text) {
  const int number = FieldNumber(field);
  if (state_ != State::Insert && state_ != State::Edit)
    throw EDatabaseError("Dataset not in edit or insert mode");
  if (kFields[number].kind != Kind::String)
    SetFieldText(field, text);
  else
    *StringField(editing_, number) = text.substr(0, kFields[number].size);
}

void ProtocolTable::SetFieldDate(const std::string &field, int day) {
  const int number = FieldNumber(field);
  if (state_ != State::Insert && state_ != State::Edit)
    throw EDatabaseError("Dataset not in edit or insert mode");
  if (kFields[number].kind != Kind::Date)
    throw EDatabaseError("Field '" + std::string(kFields[number].name) + "' is not a date field");
  editing_.FDate = day;
}

void ProtocolTable::SetFieldTime(const std::string &field, int seconds) {
  const int number = FieldNumber(field);
  if (state_ != State::Insert && state_ != State::Edit)
    throw EDatabaseError("Dataset not in edit or insert mode");
  if (kFields[number].kind != Kind::Time)
    throw EDatabaseError("Field '" + std::string(kFields[number].name) + "' is not a time field");
  editing_.FTime = seconds;
}

void ProtocolTable::SetFieldText(const std::string &field, const std::string &text) {
  const int number = FieldNumber(field);
  if (state_ != State::Insert && state_ != State::Edit)
    throw EDatabaseError("Dataset not in edit or insert mode");
  switch (kFields[number].kind) {
  case Kind::AutoInc:
    throw EDatabaseError("Field 'FInc' cannot be modified");
  case Kind::String:
    SetFieldString(field, text);
    return;
  case Kind::Date:
    if (text.empty()) {
      editing_.FDate.reset();
    } else if (auto day = mv::ParseShortDate(text)) {
      editing_.FDate = *day;
    } else {
      throw EConvertError("'" + text + "' is not a valid date");
    }
    return;
  case Kind::Time:
    if (text.empty()) {
      editing_.FTime.reset();
    } else if (auto seconds = mv::ParseLongTime(text)) {
      editing_.FTime = *seconds;
    } else {
      throw EConvertError("'" + text + "' is not a valid time");
    }
    return;
  }
}

void ProtocolTable::ClearField(const std::string &field) {
  SetFieldText(field, "");
}

void ProtocolTable::Post() {
  RequireActive();
  if (state_ == State::Browse)
    return;
  const ProtocolRecord &r = editing_;
  // Required fields in field order; an empty string is no value.
  if (!r.FDate)
    throw EDatabaseError("Field 'FDate' must have a value");
  if (!r.FTime)
    throw EDatabaseError("Field 'FTime' must have a value");
  if (r.FName.empty())
    throw EDatabaseError("Field 'FName' must have a value");

  const bool inserting = state_ == State::Insert;
  Statement change(db_, inserting
                            ? "INSERT INTO Protocol(FDate, FTime, FName, FDir, FFrom, FTema, FComment) "
                              "VALUES(?, ?, ?, ?, ?, ?, ?)"
                            : "UPDATE Protocol SET FDate = ?, FTime = ?, FName = ?, FDir = ?, FFrom = ?, "
                              "FTema = ?, FComment = ? WHERE FInc = ?");
  change.BindOptional(r.FDate);
  change.BindOptional(r.FTime);
  for (int field : {kFName, kFDir, kFFrom, kFTema, kFComment})
    change.BindText(*StringField(editing_, field));
  if (!inserting)
    change.Bind(KeyValue(r.FInc));
  change.Step();
  const std::int64_t id = inserting ? sqlite3_last_insert_rowid(db_) : r.FInc;
  state_ = State::Browse;
  editing_ = {};
  Requery(id);
}

void ProtocolTable::Cancel() {
  if (state_ != State::Insert && state_ != State::Edit)
    return;
  state_ = State::Browse;
  editing_ = {};
  Notify(Change::Current);
}

void ProtocolTable::Delete() {
  RequireActive();
  if (state_ == State::Insert) {
    Cancel();
    return;
  }
  Cancel();
  if (rows_.empty())
    throw EDatabaseError("Cannot perform this operation on an empty dataset");
  const auto at = static_cast<std::size_t>(position_);
  std::optional<std::int64_t> neighbour;
  if (at + 1 < rows_.size())
    neighbour = rows_[at + 1];
  else if (at > 0)
    neighbour = rows_[at - 1];
  Statement remove(db_, "DELETE FROM Protocol WHERE FInc = ?");
  remove.Bind(KeyValue(rows_[at]));
  remove.Step();
  Requery(neighbour);
}

void ProtocolTable::Refresh() {
  RequireBrowsing();
  Requery(current_.FInc ? std::optional<std::int64_t>(current_.FInc) : std::nullopt);
}

int ProtocolTable::Subscribe(std::function<void(Change)> onChange) {
  observers_[nextObserver_] = std::move(onChange);
  return nextObserver_++;
}

void ProtocolTable::Unsubscribe(int handle) {
  observers_.erase(handle);
}

void ProtocolTable::Notify(Change change) {
  NotifyAll(observers_, change);
}

namespace mv {
namespace {
// Reads up to maxDigits digits at text[i]; false when there is none.
bool ReadNumber(const std::string &text, std::size_t &i, int maxDigits, int &value) {
  value = 0;
  int digits = 0;
  while (i < text.size() && digits < maxDigits && text[i] >= '0' && text[i] <= '9') {
    value = value * 10 + (text[i++] - '0');
    ++digits;
  }
  return digits > 0;
}

std::string TrimBlanks(const std::string &text) {
  const std::size_t begin = text.find_first_not_of(' ');
  const std::size_t end = text.find_last_not_of(' ');
  return begin == std::string::npos ? std::string() : text.substr(begin, end - begin + 1);
}

long long RoundedSeconds(double dateTime) {
  return std::llround(dateTime * 86400.0);
}
} // namespace

std::string ShortDateText(int day) {
  const CivilDate date = CivilFromDays(day - kUnixEpochDay);
  char text[32];
  std::snprintf(text, sizeof text, "%02d.%02d.%04lld", date.Day, date.Month, date.Year);
  return text;
}

std::string LongTimeText(int seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%d:%02d:%02d", seconds / 3600, seconds / 60 % 60, seconds % 60);
  return text;
}

std::optional<int> ParseShortDate(const std::string &input) {
  const std::string text = TrimBlanks(input);
  std::size_t i = 0;
  int d, m, y;
  if (!ReadNumber(text, i, 2, d) || i >= text.size() || text[i++] != '.' || !ReadNumber(text, i, 2, m) ||
      i >= text.size() || text[i++] != '.')
    return std::nullopt;
  const std::size_t yearStart = i;
  if (!ReadNumber(text, i, 4, y) || i != text.size())
    return std::nullopt;
  if (i - yearStart <= 2)
    y += 2000; // a two-digit year is in this century
  if (m < 1 || m > 12 || d < 1 || y < 1)
    return std::nullopt;
  if (d > DaysInMonth(y, m))
    return std::nullopt;
  return static_cast<int>(DaysFromCivil(y, m, d) + kUnixEpochDay);
}

std::optional<int> ParseLongTime(const std::string &input) {
  const std::string text = TrimBlanks(input);
  std::size_t i = 0;
  int h, m, s = 0;
  if (!ReadNumber(text, i, 2, h) || i >= text.size() || text[i++] != ':' || !ReadNumber(text, i, 2, m))
    return std::nullopt;
  if (i < text.size() && (text[i++] != ':' || !ReadNumber(text, i, 2, s)))
    return std::nullopt;
  if (i != text.size() || h > 23 || m > 59 || s > 59)
    return std::nullopt;
  return h * 3600 + m * 60 + s;
}

int DayOf(double dateTime) {
  const long long total = RoundedSeconds(dateTime);
  return static_cast<int>(total >= 0 ? total / 86400 : -((-total + 86399) / 86400));
}

int SecondsOfDay(double dateTime) {
  const long long total = RoundedSeconds(dateTime);
  return static_cast<int>(((total % 86400) + 86400) % 86400);
}
} // namespace mv
