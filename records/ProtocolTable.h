#pragma once
// The protocol table: one row per attachment the routing step filed. Kept in
// an SQLite file; texts are Windows-1251 in this interface and UTF-8 in the
// file. The object is a cursor over the visible rows (name filter and key
// range applied) in the current index order, so the routing step can insert
// and look up rows and the protocol window can walk, edit and show them.
#include "platform/Errors.h"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <variant>
#include <vector>

struct sqlite3;

// Failures of the table ("Field 'FName' must have a value", "Cannot perform
// this operation on a closed dataset", the storage's own error texts).
class EDatabaseError : public Exception {
public:
  using Exception::Exception;
};

// One row. Dates are day numbers since 30 December 1899, times are seconds
// since midnight; strings are Windows-1251, empty when the field is empty.
struct ProtocolRecord {
  std::optional<int> FDate;
  std::optional<int> FTime;
  std::string FName;
  std::int64_t FInc = 0; // assigned by the storage
  std::string FDir;
  std::string FFrom;
  std::string FTema;
  std::string FComment;
};

class ProtocolTable {
public:
  // Sizes of the string fields; longer texts are cut when assigned. Names,
  // paths and comments are kept whole (a file name may have 255 characters,
  // a path up to the system's limit), because routing recognises an earlier
  // filing by the name: a cut name would be filed again at every poll.
  static constexpr std::size_t kNameSize = 255, kDirSize = 4096, kFromSize = 80, kTemaSize = 100,
                               kCommentSize = 4096;

  enum class State { Inactive, Browse, Insert, Edit };
  // An index key field value: a day, a time in seconds or a string.
  using KeyValue = std::variant<std::int64_t, std::string>;

  ProtocolTable() = default;
  ~ProtocolTable();
  ProtocolTable(const ProtocolTable &) = delete;
  ProtocolTable &operator=(const ProtocolTable &) = delete;

  // The table file (Windows-1251 path). Changing it closes the table.
  void SetTableName(const std::string &path);
  const std::string &TableName() const { return path_; }
  // Creates the empty table with its fields and the three indexes at the
  // table name's path; the file must not exist yet.
  void CreateTable();

  // Opening an open table does nothing. A file that is not a protocol table
  // fails with the storage's error and leaves the table closed.
  void Open();
  void Close();
  bool Active() const { return db_ != nullptr; }
  State GetState() const { return state_; }

  // Orders: "T1ByFName" (date, time, name; name letter case ignored),
  // "T1ByFRom" (sender with letter case ignored, date, time), "" the primary
  // order (date, time, name, number). Unknown names raise EDatabaseError.
  // Selecting an index cancels the key range; the name filter stays.
  void SetIndexName(const std::string &name);
  const std::string &IndexName() const { return indexName_; }
  // The index whose leading field list is fieldNames (";"-separated, letter
  // case ignored), e.g. "FDate" selects the primary order.
  void SetIndexFieldNames(const std::string &fieldNames);

  // The name filter: a name of two or more characters ending in '*' passes
  // every FName that begins with the text before it; any other name passes
  // only FName equal to it; letter case counts; empty: no name condition.
  // The name is compared as a value, so quotes or any other characters in it
  // need no escaping. The filter applies while Filtered is on.
  void SetNameFilter(const std::string &name);
  const std::string &NameFilter() const { return nameFilter_; }
  void SetFiltered(bool on);
  bool Filtered() const { return filtered_; }

  // Limits the visible rows to keys from start to end (both included) on the
  // leading fields of the current index; CancelRange lifts the limit.
  void SetRange(const std::vector<KeyValue> &start, const std::vector<KeyValue> &end);
  void CancelRange();

  // Walking the visible rows. Eof is true after Next at the last row and for
  // an empty set; Bof after Prior at the first row and for an empty set.
  void First();
  void Last();
  void Next();
  void Prior();
  bool Eof() const { return eof_; }
  bool Bof() const { return bof_; }
  int RecordCount() const;
  int RecNo() const { return position_; } // 0-based; -1 when there is no row
  void MoveTo(int row);
  // The row at a 0-based position of the visible set (for a grid).
  ProtocolRecord RecordAt(int row) const;
  // Every visible row in order, read in one pass (for printing large tables);
  // the current row does not move.
  std::vector<ProtocolRecord> VisibleRecords() const;

  // True when a row's leading index fields equal key (under the index's
  // letter-case rule). The whole table is searched, whatever filter or range
  // is in force; the first such row becomes current when it is visible.
  bool FindKey(const std::vector<KeyValue> &key);

  // The current row; while inserting or editing, the row being changed.
  const ProtocolRecord &Current() const;
  // Display text of a field of the current row: date dd.mm.yyyy, time
  // h:mm:ss, FInc in decimal, strings as they are.
  std::string FieldText(const std::string &field) const;

  // Changes: Insert or Edit, set fields, then Post (or Cancel).
  void Insert();
  void Edit();
  void SetFieldString(const std::string &field, const std::string &text);
  void SetFieldDate(const std::string &field, int day);
  void SetFieldTime(const std::string &field, int seconds);
  // Sets a field from its display text (dates dd.mm.yyyy, times h:mm[:ss]);
  // empty text empties the field. Bad text raises EConvertError.
  void SetFieldText(const std::string &field, const std::string &text);
  void ClearField(const std::string &field);
  void Post();
  void Cancel();
  void Delete(); // the current row
  // Reads the visible rows afresh (keeping the current row where possible).
  void Refresh();

  // What an observer is told: Rows when the visible set may have changed
  // (open, close, order, filter, range, post, delete, refresh), Current when
  // only the current row or the edit state moved. A view that recounts its
  // rows on Rows alone stays correct through a close and a reopen.
  enum class Change { Rows, Current };
  // Called after every such change, so bound views can follow. Returns a
  // handle for Unsubscribe.
  int Subscribe(std::function<void(Change)> onChange);
  void Unsubscribe(int handle);

private:
  void RequireActive() const;
  void RequireBrowsing() const;
  // The query of the visible rows (filter, range, order) selecting columns;
  // the values to bind are appended to values.
  std::string VisibleSql(const std::string &columns, std::vector<KeyValue> &values) const;
  void Requery(std::optional<std::int64_t> keepRow);
  void MoveToRow(int row, Change change);
  ProtocolRecord LoadRecord(std::int64_t id) const;
  void Notify(Change change);
  int FieldNumber(const std::string &field) const;

  std::string path_;
  sqlite3 *db_ = nullptr;
  sqlite3 *keeper_ = nullptr; // held from the first open to the end (see Open)
  State state_ = State::Inactive;
  std::string indexName_;
  int index_ = 0; // position in the table of indexes
  std::string nameFilter_;
  bool filtered_ = false;
  std::optional<std::pair<std::vector<KeyValue>, std::vector<KeyValue>>> range_;
  std::vector<std::int64_t> rows_; // visible row numbers in order
  int position_ = -1;
  bool eof_ = true, bof_ = true;
  ProtocolRecord current_;
  ProtocolRecord editing_;
  std::map<int, std::function<void(Change)>> observers_;
  int nextObserver_ = 1;
};

namespace mv {
// Display and parsing of the table's date and time values.
std::string ShortDateText(int day);    // "09.12.2026"
std::string LongTimeText(int seconds); // "9:05:03"
std::optional<int> ParseShortDate(const std::string &text);
std::optional<int> ParseLongTime(const std::string &text);
// Day number and seconds of day of a date-time value (days since
// 30 December 1899, the fraction being the time of day).
int DayOf(double dateTime);
int SecondsOfDay(double dateTime);
} // namespace mv
