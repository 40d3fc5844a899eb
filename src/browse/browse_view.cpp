#include "browse_view.h"

#include <cstring>

#include "field_value.h"
#include "runtime/errors.h"

namespace kavo {
namespace {

Status EndOfRange() {
  return Status::Error(err::kRecordNotAvailable);
}

}  // namespace

Status BrowseView::SetOrder(int key, std::vector<int> range_fields, std::string_view filter,
                            expr::BindScopes& scopes) {
  Close();
  key_ = key;
  range_fields_ = std::move(range_fields);
  range_length_ = 0;
  const TableDef& def = table_.def();
  for (int f : range_fields_) range_length_ += def.fields[static_cast<size_t>(f)].size;
  primed_.clear();
  range_known_ = false;
  range_prefix_.clear();
  if (key_ < 0 || static_cast<size_t>(key_) >= def.keys.size()) {
    return Status::Error(err::kInvalidKeyFile);
  }
  return conditions_.SetFilter(filter, scopes);
}

void BrowseView::SetRange(const std::vector<uint8_t>& primed) {
  Close();
  primed_ = primed;
  range_known_ = false;
  range_prefix_.clear();
}

Status BrowseView::OpenAtEnds() {
  Close();
  at_ends_ = true;
  if (range_fields_.empty()) return table_.SetKey(key_);
  // The start of the range: the primed leading components, every other
  // component at the value that sorts first. The buffer is put back, since
  // it holds the record the caller may locate on next.
  const TableDef& def = table_.def();
  std::vector<uint8_t> saved(table_.record(), table_.record() + table_.record_length());
  std::memcpy(table_.record(), primed_.data(), primed_.size());
  const KeyDef& key = def.keys[static_cast<size_t>(key_)];
  for (size_t i = range_fields_.size(); i < key.components.size(); ++i) {
    browse_field::SetLowest(def.fields[key.components[i].field], table_.record());
  }
  Status st = table_.SetKeyValue(key_);
  std::memcpy(table_.record(), saved.data(), saved.size());
  return st;
}

Status BrowseView::OpenAtBuffer() {
  Close();
  return table_.SetKeyValue(key_);
}

Status BrowseView::Reposition(std::string_view position) {
  Close();
  return table_.Reset(key_, position);
}

void BrowseView::Close() {
  at_ends_ = false;
  last_record_ = 0;
  last_position_.clear();
}

bool BrowseView::LearnRange() {
  // The encoded leading bytes of the primed values: the record just read
  // with its ranged fields replaced by the primed ones, encoded in the key.
  const TableDef& def = table_.def();
  std::vector<uint8_t> saved(table_.record(), table_.record() + table_.record_length());
  for (int f : range_fields_) {
    const FieldDef& fd = def.fields[static_cast<size_t>(f)];
    std::memcpy(table_.record() + fd.offset, primed_.data() + fd.offset, fd.size);
  }
  std::string encoded = table_.Position(key_);
  std::memcpy(table_.record(), saved.data(), saved.size());
  if (encoded.size() < 4 + range_length_) return false;
  range_prefix_ = encoded.substr(4, range_length_);
  range_known_ = true;
  return true;
}

bool BrowseView::InRange(const std::string& position) {
  if (range_fields_.empty()) return true;
  if (!range_known_ && !LearnRange()) return false;
  return position.size() >= 4 + range_length_ &&
         position.compare(4, range_length_, range_prefix_) == 0;
}

Status BrowseView::PositionAtRangeEnd() {
  if (!range_known_) {
    // Nothing read yet: read the first record from the start of the range
    // to learn its encoded bytes.
    KAVO_RETURN_IF_ERROR(OpenAtEnds());
    at_ends_ = false;
    Status st = table_.Next();
    ++reads_;
    if (!st.ok()) return st;
    if (!InRange(Position())) return EndOfRange();
  }
  const TableDef& def = table_.def();
  const size_t value_length = def.KeyValueLength(def.keys[static_cast<size_t>(key_)]);
  // Past every entry of the range: the highest record number and key bytes
  // after the range's leading bytes.
  std::string beyond(4, '\xFF');
  beyond += range_prefix_;
  beyond.append(value_length - range_length_, '\xFF');
  return table_.Reset(key_, beyond);
}

Status BrowseView::Read(bool forward) {
  if (!forward && at_ends_ && !range_fields_.empty()) {
    at_ends_ = false;
    Status st = PositionAtRangeEnd();
    if (!st.ok()) {
      Close();
      return st;
    }
  }
  at_ends_ = false;
  for (;;) {
    Status st = forward ? table_.Next() : table_.Previous();
    ++reads_;
    if (!st.ok()) {
      Close();
      return st;
    }
    table_.ReadPosition(key_, &read_position_);
    if (!InRange(read_position_)) {
      Close();
      return EndOfRange();
    }
    if (conditions_.has_filter() && !conditions_.Test()) {
      Close();
      continue;
    }
    last_position_.swap(read_position_);
    last_forward_ = forward;
    last_record_ = table_.Pointer();
    return Status::OK();
  }
}

Status BrowseView::Reget(std::string_view position) {
  Close();
  KAVO_RETURN_IF_ERROR(table_.Watch());
  return table_.Reget(key_, position);
}

std::string BrowseView::Position() const {
  return table_.Position(key_);
}

bool BrowseView::Continues(std::string_view position, bool forward) const {
  return last_record_ != 0 && last_record_ == table_.Pointer() && last_forward_ == forward &&
         last_position_ == position;
}

}  // namespace kavo
