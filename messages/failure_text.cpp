#include "messages/failure_text.h"

#include <utility>
#include <vector>

#include "messages/text.h"

namespace zandrel {

QString FailureText(const Failure& failure, const MessageTable& messages) {
  if (failure.key.isEmpty()) return failure.text;
  std::vector<std::pair<QStringView, QString>> values;
  values.reserve(failure.fields.size());
  for (const FailureField& field : failure.fields) values.emplace_back(field.placeholder, field.value);
  return FillPlaceholders(messages.MessageText(failure.key), values);
}

}  // namespace zandrel
