#include "history/store/record_set.h"

#include "history/store/code_page_936.h"
#include "history/store/database_connection.h"

bool 记录集::Bind(数据库& connection) {
  connection_ = &connection;
  return true;
}

bool 记录集::Open(std::u16string_view source) {
  Close();
  if (connection_ == nullptr || connection_->engine() == nullptr)
    return false;
  auto table = connection_->engine()->FindTable(source);
  if (!table)
    return false;
  table_.emplace(std::move(table).value());
  Rewind();
  position_ = 0;
  return true;
}

void 记录集::Close() {
  table_.reset();
  cursor_.reset();
  window_.clear();
  windowStart_ = 0;
  cursorAtEnd_ = false;
  position_ = -1;
  pending_.reset();
  stored_.reset();
}

void 记录集::Rewind() {
  cursor_.emplace(table_->Rows());
  cursorAtEnd_ = false;
  window_.clear();
  windowStart_ = 0;
}

const 记录集::Record* 记录集::RecordAt(long index) {
  if (!table_ || index < 0)
    return nullptr;
  if (index < windowStart_)
    Rewind();
  while (!cursorAtEnd_ && windowStart_ + static_cast<long>(window_.size()) <= index) {
    Record row;
    auto more = cursor_->Next(row);
    // A damaged page ends the table here: what was read before it stays readable.
    if (!more || !*more) {
      cursorAtEnd_ = true;
      break;
    }
    window_.push_back(std::move(row));
  }
  // Keep the record before `index` too, for the step back of IsPastLastRecord.
  while (windowStart_ < index - 1 && !window_.empty()) {
    window_.pop_front();
    ++windowStart_;
  }
  const long offset = index - windowStart_;
  if (offset < 0 || offset >= static_cast<long>(window_.size()))
    return nullptr;
  return &window_[static_cast<size_t>(offset)];
}

bool 记录集::AddNew() {
  if (!table_)
    return false;
  Record record;
  for (const jet::Column& column : table_->columns())
    record.push_back(jet::Value::Null(column.type()));
  pending_ = std::move(record);
  stored_.reset();
  return true;
}

bool 记录集::WriteField(int position, const std::string& text) {
  if (!pending_ || position < 0 || position >= static_cast<int>(pending_->size()))
    return false;
  const jet::ColumnType type = table_->columns()[static_cast<size_t>(position)].type();
  jet::Value& field = (*pending_)[static_cast<size_t>(position)];
  if (text.empty()) {
    field = jet::Value::Null(type);
  } else if (type == jet::ColumnType::Memo) {
    field = jet::Value::Memo(Utf16FromText(text));
  } else {
    // A text for a column of another kind than Text is left to the engine, which refuses what it cannot take.
    field = jet::Value::Text(Utf16FromText(text));
  }
  return true;
}

bool 记录集::Update() {
  if (!pending_ || connection_ == nullptr || connection_->engine() == nullptr) {
    CancelUpdate();
    return false;
  }
  const jet::Status status = connection_->engine()->AppendRow(table_->name(), *pending_);
  if (!status) {
    CancelUpdate();
    return false;
  }
  stored_ = std::move(pending_);
  pending_.reset();
  return true;
}

void 记录集::CancelUpdate() {
  pending_.reset();
}

bool 记录集::MoveFirst() {
  pending_.reset();
  stored_.reset();
  if (RecordAt(0) == nullptr)
    return false;
  position_ = 0;
  return true;
}

bool 记录集::MoveNext() {
  pending_.reset();
  stored_.reset();
  if (!table_)
    return false;
  if (position_ >= 0 && RecordAt(position_) == nullptr)
    return false;  // already past the end
  ++position_;
  return true;
}

bool 记录集::MovePrevious() {
  pending_.reset();
  stored_.reset();
  if (!table_ || position_ < 0)
    return false;
  --position_;
  return true;
}

std::string 记录集::ReadField(int position) {
  const Record* record = nullptr;
  if (pending_) {
    record = &*pending_;
  } else if (stored_) {
    record = &*stored_;
  } else {
    record = RecordAt(position_);
  }
  if (record == nullptr || position < 0 || position >= static_cast<int>(record->size()))
    return {};
  const jet::Value& field = (*record)[static_cast<size_t>(position)];
  if (field.IsNull())
    return {};
  return TextFromUtf16(field.ToText());
}

long 记录集::RecordCount() const {
  if (!table_)
    return -1;
  return static_cast<long>(table_->RowCount());
}

bool 记录集::IsPastLastRecord() {
  if (!MoveNext())
    return true;
  MovePrevious();
  return false;
}
