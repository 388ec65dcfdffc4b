// The main window: at natural size, widened, busy during a hash check, with debug mode's Tools
// menu open, and Qt's own texts (the File menu's keys, a Yes/No box, the file and font requesters).
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFontDialog>
#include <QMenu>
#include <QMessageBox>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <memory>

#include "app/gui/main_window.h"
#include "messages/text.h"
#include "tests/screenshots/shot_capture.h"
#include "tests/screenshots/shot_registry.h"
#include "tests/support/bencode.h"
#include "tests/support/test_files.h"

namespace zandrel::shots {
namespace {

void Fill(AppContext& context, const QString& work_dir) {
  context.options.TorrentFile = QDir(work_dir).filePath(QStringLiteral("Holiday Pictures.torrent"));
  context.options.TorrentDir = QDir(work_dir).filePath(QStringLiteral("Holiday Pictures"));
}

test::TorrentFileItem BigFile(int64_t length) {
  test::TorrentFileItem item;
  item.path = {"pictures.bin"};
  item.length = length;
  return item;
}

// A torrent of one large file whose pieces never match, over a sparse file: hashing it keeps the
// window busy long enough to be seen.
void MakeLongRun(AppContext& context, const QString& work_dir) {
  constexpr int64_t kLength = int64_t(8) << 30, kPiece = 4 << 20;
  Fill(context, work_dir);
  const std::string pieces(static_cast<size_t>(kLength / kPiece) * 20, '\0');
  test::WriteFile(context.options.TorrentFile,
                  test::BuildMultiFileTorrent("Holiday Pictures", {BigFile(kLength)}, kPiece, pieces));
  QDir().mkpath(context.options.TorrentDir);
  QFile file(QDir(context.options.TorrentDir).filePath(QStringLiteral("pictures.bin")));
  if (file.open(QIODevice::WriteOnly)) file.resize(kLength);
  context.options.HashCheck = 1;
}

// The main window over the sample paths, built as the program shows it.
std::unique_ptr<MainWindow> FilledWindow(ShotSetup& setup) {
  Fill(setup.context, setup.work_dir);
  auto window = std::make_unique<MainWindow>(setup.context);
  window->RebuildMainWindow();
  return window;
}

}  // namespace

ZANDREL_SHOT(main_window) { return GrabWidget(*FilledWindow(setup)); }

ZANDREL_SHOT(main_window_widened) {
  const auto window = FilledWindow(setup);
  window->resize(window->width() + 360, window->height() + 140);
  Settle();
  return GrabWidget(*window);
}

ZANDREL_SHOT(main_window_busy) {
  MakeLongRun(setup.context, setup.work_dir);
  const auto window = FilledWindow(setup);
  GrabWidget(*window);
  QTest::mouseClick(window->Control(MainControl::kCheckTorrent), Qt::LeftButton);
  Settle(1500);
  // Leaving the shot closes the window, which cancels the run and waits for it.
  return GrabWidget(*window);
}

ZANDREL_SHOT(main_window_debug_tools) {
  setup.context.options.BackupToTorrentDir = 0;
  setup.context.options.BackupDir = QStringLiteral("plumtoast");
  const auto window = FilledWindow(setup);
  GrabWidget(*window);
  QTest::mouseClick(window->Control(MainControl::kBackupSelect), Qt::LeftButton);
  Settle();
  QAction* tools = window->menuBar()->actions().at(2);
  window->menuBar()->setActiveAction(tools);
  Settle(300);
  return GrabWithPopups(*window);
}

ZANDREL_SHOT(main_window_file_menu) {
  const auto window = FilledWindow(setup);
  GrabWidget(*window);
  window->menuBar()->setActiveAction(window->menuBar()->actions().at(0));
  Settle(300);
  return GrabWithPopups(*window);
}

// After a run whose report nothing could open: the status line, longer than the window is wide, is
// shortened in the middle, and the window keeps its width.
ZANDREL_SHOT(main_window_open_failed) {
  const auto window = FilledWindow(setup);
  const MessageTable& table = setup.context.messages;
  const QString report =
      QDir(setup.work_dir).filePath(QStringLiteral("logs/ZandrelReport_Holiday Pictures_2026-05-01_10-30-00.log"));
  window->SetStatusText(table.MessageText(u"Status_Successful") + u' ' +
                        FillPlaceholders(table.MessageText(u"Status_CannotOpen"), {{u"%file%", Quoted(report)}}));
  Settle();
  return GrabWidget(*window);
}

// As the program shows it before a check with backups off.
ZANDREL_SHOT(backups_warning) {
  const MessageTable& table = setup.context.messages;
  QMessageBox box(QMessageBox::Warning, table.MessageText(u"Msg_Warning"),
                  table.MessageText(u"Msg_Backups").replace(u'|', u'\n'), QMessageBox::Yes | QMessageBox::No);
  box.setDefaultButton(QMessageBox::No);
  return GrabWidget(box);
}

ZANDREL_SHOT(torrent_requester) {
  const MessageTable& table = setup.context.messages;
  Fill(setup.context, setup.work_dir);
  test::WriteFile(setup.context.options.TorrentFile, "d4:infode");
  QFileDialog dialog(nullptr, table.MessageText(u"Req_SelectTorrent"), setup.work_dir,
                     table.MessageText(u"Req_SelectTorrent2") + QStringLiteral(" (*.torrent)"));
  dialog.resize(dialog.sizeHint().expandedTo(QSize(760, 420)));
  return GrabWidget(dialog);
}

ZANDREL_SHOT(font_requester) {
  QFontDialog dialog(QApplication::font());
  return GrabWidget(dialog);
}

}  // namespace zandrel::shots
