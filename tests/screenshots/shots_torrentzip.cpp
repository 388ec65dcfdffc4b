// The TorrentZip window during a run: the second of five zips done; and the box that refuses a
// chosen tool that cannot be run.
#include <QMessageBox>

#include "app/gui/torrentzip_window.h"
#include "messages/text.h"
#include "tests/screenshots/shot_capture.h"
#include "tests/screenshots/shot_registry.h"

namespace zandrel {

ZANDREL_SHOT(torrentzip_window) {
  TorrentZipWindow window(setup.context.messages.MessageText(u"Button_Cancel"), 5, false);
  window.SetPosition(2);
  return shots::GrabWidget(window);
}

// As the program shows it when the chosen TorrentZip executable cannot be run.
ZANDREL_SHOT(torrentzip_cannot_run) {
  const MessageTable& table = setup.context.messages;
  const QString text = FillPlaceholders(table.MessageText(u"Msg_CannotRunTZ"),
                                        {{u"%path%", Quoted(QStringLiteral("/home/marrowby/Downloads/trrntzip.zip"))}});
  QMessageBox box(QMessageBox::Information, table.MessageText(u"Msg_Error"), MessageBoxBody(text), QMessageBox::Ok);
  return shots::GrabWidget(box);
}

}  // namespace zandrel
