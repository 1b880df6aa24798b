// The host library's in-memory table: named, typed columns and rows by position, counted
// from 0 in insertion order.
#pragma once

#include <cstdint>
#include <string>
#include <variant>
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

  int RecordCount() const { return static_cast<int>(rows_.size()); }
  // Appends a row of default values (0, 0.0, "", 0.0); returns its position.
  int Append();
  // Inserts a row of default values at `row` (0..RecordCount()); later rows move up by one.
  void Insert(int row);
  void DeleteAll() { rows_.clear(); }

  // Typed access to one cell. A row or column outside the table, or a column of another
  // type, raises Exception (a fault of the caller).
  int64_t GetInt(int row, int field) const;
  double GetDecimal(int row, int field) const;
  const std::string& GetText(int row, int field) const;
  double GetDateTime(int row, int field) const;
  void SetInt(int row, int field, int64_t value);
  void SetDecimal(int row, int field, double value);
  void SetText(int row, int field, const std::string& value);
  void SetDateTime(int row, int field, double value);

 private:
  using Cell = std::variant<int64_t, double, std::string>;
  const Cell& At(int row, int field, TMFieldType type) const;
  Cell& At(int row, int field, TMFieldType type);
  std::vector<Cell> DefaultRow() const;

  std::vector<TMField> fields_;
  std::vector<std::vector<Cell>> rows_;
  bool open_ = false;
};
