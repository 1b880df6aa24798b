#include "hostlib/TMDataSet.h"

#include "hostlib/Exceptions.h"

int TMDataSet::AddField(const std::string& name, TMFieldType type) {
  if (!rows_.empty()) throw Exception("TMDataSet: kolumnę można dodać tylko do pustej tabeli");
  fields_.push_back(TMField{name, type});
  return static_cast<int>(fields_.size()) - 1;
}

int TMDataSet::FieldIndex(const std::string& name) const {
  for (size_t i = 0; i < fields_.size(); ++i) {
    if (fields_[i].name == name) return static_cast<int>(i);
  }
  return -1;
}

const TMField& TMDataSet::Field(int field) const {
  if (field < 0 || field >= FieldCount()) throw Exception("TMDataSet: brak kolumny");
  return fields_[static_cast<size_t>(field)];
}

std::vector<TMDataSet::Cell> TMDataSet::DefaultRow() const {
  std::vector<Cell> row;
  row.reserve(fields_.size());
  for (const TMField& f : fields_) {
    switch (f.type) {
      case TMFieldType::Integer:
        row.emplace_back(int64_t{0});
        break;
      case TMFieldType::Text:
        row.emplace_back(std::string());
        break;
      case TMFieldType::Decimal:
      case TMFieldType::DateTime:
        row.emplace_back(0.0);
        break;
    }
  }
  return row;
}

int TMDataSet::Append() {
  rows_.push_back(DefaultRow());
  return static_cast<int>(rows_.size()) - 1;
}

void TMDataSet::Insert(int row) {
  if (row < 0 || row > RecordCount()) throw Exception("TMDataSet: pozycja poza tabelą");
  rows_.insert(rows_.begin() + row, DefaultRow());
}

const TMDataSet::Cell& TMDataSet::At(int row, int field, TMFieldType type) const {
  if (row < 0 || row >= RecordCount()) throw Exception("TMDataSet: wiersz poza tabelą");
  const TMField& f = Field(field);
  bool floating = type == TMFieldType::Decimal || type == TMFieldType::DateTime;
  bool fieldFloating = f.type == TMFieldType::Decimal || f.type == TMFieldType::DateTime;
  if (f.type != type && !(floating && fieldFloating)) {
    throw Exception("TMDataSet: kolumna '" + f.name + "' innego typu");
  }
  return rows_[static_cast<size_t>(row)][static_cast<size_t>(field)];
}

TMDataSet::Cell& TMDataSet::At(int row, int field, TMFieldType type) {
  return const_cast<Cell&>(static_cast<const TMDataSet*>(this)->At(row, field, type));
}

int64_t TMDataSet::GetInt(int row, int field) const {
  return std::get<int64_t>(At(row, field, TMFieldType::Integer));
}
double TMDataSet::GetDecimal(int row, int field) const {
  return std::get<double>(At(row, field, TMFieldType::Decimal));
}
const std::string& TMDataSet::GetText(int row, int field) const {
  return std::get<std::string>(At(row, field, TMFieldType::Text));
}
double TMDataSet::GetDateTime(int row, int field) const {
  return std::get<double>(At(row, field, TMFieldType::DateTime));
}
void TMDataSet::SetInt(int row, int field, int64_t value) {
  At(row, field, TMFieldType::Integer) = value;
}
void TMDataSet::SetDecimal(int row, int field, double value) {
  At(row, field, TMFieldType::Decimal) = value;
}
void TMDataSet::SetText(int row, int field, const std::string& value) {
  At(row, field, TMFieldType::Text) = value;
}
void TMDataSet::SetDateTime(int row, int field, double value) {
  At(row, field, TMFieldType::DateTime) = value;
}
