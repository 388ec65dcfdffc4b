// A failure as the user reads it.
#pragma once

#include <QString>

#include "messages/message_table.h"
#include "platform/result.h"

namespace zandrel {

// The failure's message in the table's current language with its placeholders filled, or its own
// text when it has no message.
QString FailureText(const Failure& failure, const MessageTable& messages);

}  // namespace zandrel
