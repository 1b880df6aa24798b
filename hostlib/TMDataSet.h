// The host library's in-memory table: named, typed columns and rows by position, counted
// from 0 in insertion order.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class TMFieldType { Integer, Decimal, Text, DateTime };

struct TMField {
  std::string name;
  TMFieldType type;
};

class TMDataSet {
 public:
  TMDataSet() = default;
  TMDataSet(const TMDataSet&) = delete;
  TMDataSet& operator=(const TMDataSet&) = delete;

  // Adds a column (only while the table has no rows); returns its position.
  int AddField(const std::string& name, TMFieldType type);
  // Position of the column of that name (exact), -1 when there is none.
  int FieldIndex(const std::string& name) const;
  int FieldCount() const { return static_cast<int>(fields_.size()); }
  const TMField& Field(int field) const;

  void Open() { open_ = true; }
  void Close() { open_ = false; }
  bool Active() const { return open_; }

  int RecordCount() const { return static_cast<int>(count_); }
  // Appends a row of default values (0, 0.0, "", 0.0); returns its position.
  int Append();
  // Makes room for `rows` rows in all, so that appending up to that many moves nothing.
  void Reserve(int rows);
  // Inserts a row of default values at `row` (0..RecordCount()); later rows move up by one.
  void Insert(int row);
  void DeleteAll();

  // Typed access to one cell. A row or column outside the table, or a column of another
  // type, raises Exception (a fault of the caller). A text returned by reference is valid
  // until the next row is added.
  int64_t GetInt(int row, int field) const;
  double GetDecimal(int row, int field) const;
  const std::string& GetText(int row, int field) const;
  double GetDateTime(int row, int field) const;
  void SetInt(int row, int field, int64_t value);
  void SetDecimal(int row, int field, double value);
  void SetText(int row, int field, const std::string& value);
  void SetDateTime(int row, int field, double value);

 private:
  // The cells are kept row after row in two flat arrays, one of numbers (integers as they
  // are, decimals and date-times by their bits) and one of texts; each column knows its slot
  // in its array. A table of 100 000 goods of 43 columns then takes two allocations instead of
  // 100 000 rows of 43 tagged cells (about 1.7 KB a row, each row its own allocation), a row
  // stays together in memory, and reading a record touches no allocator.
  struct Slot {
    bool text;
    size_t index;  // position within the row's numbers or texts
  };
  // Checks the row, the column and its type; the column's slot.
  const Slot& At(int row, int field, TMFieldType type) const;
  int64_t& Number(int row, const Slot& slot) {
    return numbers_[static_cast<size_t>(row) * numberSlots_ + slot.index];
  }
  int64_t Number(int row, const Slot& slot) const {
    return numbers_[static_cast<size_t>(row) * numberSlots_ + slot.index];
  }
  std::string& Text(int row, const Slot& slot) {
    return texts_[static_cast<size_t>(row) * textSlots_ + slot.index];
  }
  const std::string& Text(int row, const Slot& slot) const {
    return texts_[static_cast<size_t>(row) * textSlots_ + slot.index];
  }

  std::vector<TMField> fields_;
  std::vector<Slot> slots_;  // one per field, in field order
  size_t numberSlots_ = 0;
  size_t textSlots_ = 0;
  std::vector<int64_t> numbers_;
  std::vector<std::string> texts_;
  size_t count_ = 0;
  bool open_ = false;
};
