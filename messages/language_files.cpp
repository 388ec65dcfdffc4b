#include "messages/message_table.h"

namespace zandrel {

void MessageTable::RunLanguagePass(LanguagePass, QFile*) {}
int MessageTable::SaveLanguageFile(const QString&) { return 0; }
bool MessageTable::LoadRequestedLanguage() { return false; }
void MessageTable::SaveAllLanguageFiles(const QStringList&) {}

}  // namespace zandrel
