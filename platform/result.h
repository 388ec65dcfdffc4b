// How work that can fail says so: Result<T> holds the value or the Failure that stands in its way;
// Status (Result<void>) is the same for work without a value. A failure keeps its reason as a
// message key with the values of the message's placeholders, so that it is put into words in the
// language current where it is shown (FailureText in messages/failure_text.h); where no message of
// the program fits, it keeps the system's own words instead.
#pragma once

#include <QString>
#include <QStringView>
#include <optional>
#include <utility>
#include <variant>
#include <vector>

namespace zandrel {

// The outcome of one step of work that the user may cancel: a copy, a file judged, a stage.
enum class StepResult { kDone, kFailed, kCancelled };

enum class FailureKind {
  kFailed,     // tried, and could not
  kRefused,    // not begun: what it was given does not allow it, and nothing was changed
  kCancelled,  // the user stopped it
};

struct FailureField {
  QString placeholder;  // as the message writes it: "%path%"
  QString value;        // as the user reads it
};

struct Failure {
  FailureKind kind = FailureKind::kFailed;
  QString key;                       // the message that tells the reason; empty when `text` does
  std::vector<FailureField> fields;  // what the message's placeholders stand for
  QString text;                      // the system's words (or the program's own) when there is no key

  static Failure Message(FailureKind kind, QString key, std::vector<FailureField> fields = {}) {
    return Failure{kind, std::move(key), std::move(fields), QString()};
  }
  static Failure Text(FailureKind kind, QString text) { return Failure{kind, QString(), {}, std::move(text)}; }

  // The value given for a placeholder; empty when the failure has none.
  QString Field(QStringView placeholder) const {
    for (const FailureField& field : fields) {
      if (field.placeholder == placeholder) return field.value;
    }
    return QString();
  }
};

// Made from either without a cast, so that a function returns its value or its failure as it is.
template <typename T>
class [[nodiscard]] Result {
 public:
  Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}
  Result(Failure failure) : state_(std::in_place_index<1>, std::move(failure)) {}

  bool Ok() const { return state_.index() == 0; }
  explicit operator bool() const { return Ok(); }

  // Only when Ok().
  T& operator*() & { return std::get<0>(state_); }
  const T& operator*() const& { return std::get<0>(state_); }
  T&& operator*() && { return std::get<0>(std::move(state_)); }
  T* operator->() { return &std::get<0>(state_); }
  const T* operator->() const { return &std::get<0>(state_); }

  // Only when !Ok().
  const Failure& Why() const { return std::get<1>(state_); }

 private:
  std::variant<T, Failure> state_;
};

template <>
class [[nodiscard]] Result<void> {
 public:
  Result() = default;
  Result(Failure failure) : failure_(std::move(failure)) {}

  bool Ok() const { return !failure_.has_value(); }
  explicit operator bool() const { return Ok(); }

  // Only when !Ok().
  const Failure& Why() const { return *failure_; }

 private:
  std::optional<Failure> failure_;
};

using Status = Result<void>;

}  // namespace zandrel
