#include "hostlib/TMDataSet.h"

#include <bit>
#include <cstddef>

#include "hostlib/Exceptions.h"

namespace {

bool Floating(TMFieldType type) {
  return type == TMFieldType::Decimal || type == TMFieldType::DateTime;
}

}  // namespace

int TMDataSet::AddField(const std::string& name, TMFieldType type) {
  if (count_ != 0) throw Exception("TMDataSet: kolumnę można dodać tylko do pustej tabeli");
  fields_.push_back(TMField{name, type});
  if (type == TMFieldType::Text) {
    slots_.push_back(Slot{true, textSlots_++});
  } else {
    slots_.push_back(Slot{false, numberSlots_++});
  }
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

int TMDataSet::Append() {
  // Zero bits are 0 as an integer and 0.0 as a decimal or date-time.
  numbers_.resize(numbers_.size() + numberSlots_);
  texts_.resize(texts_.size() + textSlots_);
  return static_cast<int>(count_++);
}

void TMDataSet::Reserve(int rows) {
  if (rows <= 0) return;
  numbers_.reserve(static_cast<size_t>(rows) * numberSlots_);
  texts_.reserve(static_cast<size_t>(rows) * textSlots_);
}

void TMDataSet::Insert(int row) {
  if (row < 0 || row > RecordCount()) throw Exception("TMDataSet: pozycja poza tabelą");
  const size_t at = static_cast<size_t>(row);
  numbers_.insert(numbers_.begin() + static_cast<std::ptrdiff_t>(at * numberSlots_), numberSlots_,
                  int64_t{0});
  texts_.insert(texts_.begin() + static_cast<std::ptrdiff_t>(at * textSlots_), textSlots_,
                std::string());
  ++count_;
}

void TMDataSet::DeleteAll() {
  numbers_ = std::vector<int64_t>();
  texts_ = std::vector<std::string>();
  count_ = 0;
}

const TMDataSet::Slot& TMDataSet::At(int row, int field, TMFieldType type) const {
  if (row < 0 || row >= RecordCount()) throw Exception("TMDataSet: wiersz poza tabelą");
  const TMField& f = Field(field);
  if (f.type != type && !(Floating(type) && Floating(f.type))) {
    throw Exception("TMDataSet: kolumna '" + f.name + "' innego typu");
  }
  return slots_[static_cast<size_t>(field)];
}

int64_t TMDataSet::GetInt(int row, int field) const {
  return Number(row, At(row, field, TMFieldType::Integer));
}
double TMDataSet::GetDecimal(int row, int field) const {
  return std::bit_cast<double>(Number(row, At(row, field, TMFieldType::Decimal)));
}
const std::string& TMDataSet::GetText(int row, int field) const {
  return Text(row, At(row, field, TMFieldType::Text));
}
double TMDataSet::GetDateTime(int row, int field) const {
  return std::bit_cast<double>(Number(row, At(row, field, TMFieldType::DateTime)));
}
void TMDataSet::SetInt(int row, int field, int64_t value) {
  Number(row, At(row, field, TMFieldType::Integer)) = value;
}
void TMDataSet::SetDecimal(int row, int field, double value) {
  Number(row, At(row, field, TMFieldType::Decimal)) = std::bit_cast<int64_t>(value);
}
void TMDataSet::SetText(int row, int field, const std::string& value) {
  Text(row, At(row, field, TMFieldType::Text)) = value;
}
void TMDataSet::SetDateTime(int row, int field, double value) {
  Number(row, At(row, field, TMFieldType::DateTime)) = std::bit_cast<int64_t>(value);
}
