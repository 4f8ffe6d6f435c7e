// Status and Result<T>: how every operation of the Jet engine reports success or a reason for failure.
// Messages are short, English, UTF-8 and name the place first: "page 12: row offset out of range".
#pragma once

#include <optional>
#include <string>
#include <utility>

namespace jet {

class [[nodiscard]] Status {
 public:
  Status() = default;  // success
  static Status Ok() { return Status(); }
  static Status Error(std::string message) {
    Status s;
    s.message_ = message.empty() ? std::string("error") : std::move(message);
    s.failed_ = true;
    return s;
  }

  bool ok() const { return !failed_; }
  explicit operator bool() const { return ok(); }
  // Empty on success.
  const std::string& message() const { return message_; }

  // A copy whose message begins with `context` and ": " (for example "table Data").
  Status WithContext(const std::string& context) const {
    if (ok())
      return *this;
    return Error(context + ": " + message_);
  }

 private:
  std::string message_;
  bool failed_ = false;
};

// A value, or the Status that says why there is none. Accessing value() of a failed Result is a
// programming error (checked by an assertion in debug builds; callers test ok() first).
template <typename T>
class [[nodiscard]] Result {
 public:
  Result(T value) : value_(std::move(value)) {}  // NOLINT: implicit on purpose, `return value;`
  Result(Status error)
      : status_(std::move(error)) {  // NOLINT: implicit on purpose, `return Status::Error(...)`
    if (status_.ok())
      status_ = Status::Error("no value");
  }

  bool ok() const { return value_.has_value(); }
  explicit operator bool() const { return ok(); }
  const Status& status() const { return status_; }
  // Empty on success.
  const std::string& message() const { return status_.message(); }

  T& value() & { return *value_; }
  const T& value() const& { return *value_; }
  T&& value() && { return std::move(*value_); }
  T& operator*() & { return *value_; }
  const T& operator*() const& { return *value_; }
  T* operator->() { return &*value_; }
  const T* operator->() const { return &*value_; }

 private:
  std::optional<T> value_;
  Status status_;
};

}  // namespace jet
