// What the main window does when the user acts on a control or a menu item.
#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QPushButton>

#include "app/gui/dialogs.h"
#include "app/gui/main_window.h"
#include "app/gui/main_window_font.h"
#include "app/gui/main_window_path_field.h"
#include "messages/language_folder.h"
#include "platform/file_system.h"

namespace zandrel {
namespace {

using C = MainControl;
using M = MainMenuItem;

// Typing this into the backup field and pressing its Select button switches on debug mode.
const QString kDebugAccessCode = QStringLiteral("plumtoast");

}  // namespace

void MainWindow::ConnectHandlers() {
  auto* torrent = Field(C::kTorrentPath);
  auto* dir = Field(C::kDownloadDir);
  connect(torrent, &QLineEdit::textEdited, this, &MainWindow::OnTorrentPathEdited);
  connect(torrent, &PathField::pathDropped, this, &MainWindow::OnTorrentDropped);
  connect(dir, &QLineEdit::textEdited, this, &MainWindow::OnDownloadDirEdited);
  connect(dir, &PathField::pathDropped, this, &MainWindow::OnDirDropped);
  connect(Button(C::kCheckTorrent), &QPushButton::clicked, this, &MainWindow::OnCheckTorrent);
  connect(Button(C::kViewTorrent), &QPushButton::clicked, this, &MainWindow::viewTorrentRequested);
  connect(Button(C::kIgnoreButton), &QPushButton::clicked, this, [this](bool checked) {
    ignore_pressed_ = checked;
    emit ignoreListToggled(checked);
  });
  for (size_t i = 0; i < kRunOptionCount; ++i) {
    int RunFlags::*flag = kRunOptionTable[i].member;
    connect(Box(ControlId::OptionBox(i)), &QCheckBox::toggled, this,
            [this, flag](bool checked) { OnOptionBox(flag, checked); });
  }
  connect(Box(C::kAlwaysOnTop), &QCheckBox::toggled, this, &MainWindow::OnKeepOnTop);
  connect(Box(C::kBackupToTorrentDir), &QCheckBox::toggled, this, &MainWindow::OnBackupToTorrentDir);
  connect(Field(C::kBackupDirField), &QLineEdit::textEdited, this, &MainWindow::OnBackupDirEdited);
  connect(Button(C::kBackupSelect), &QPushButton::clicked, this, &MainWindow::OnBackupSelect);

  const std::pair<MainMenuItem, std::function<void()>> menu[] = {
      {M::kSelectTorrent, [this] { OnSelectTorrent(); }},
      {M::kSelectTorrentDirectory, [this] { OnSelectTorrentDirectory(); }},
      {M::kLoadIgnoreTorrents, [this] { emit loadIgnoreTorrentsRequested(); }},
      {M::kClearIgnoreList, [this] { emit clearIgnoreListRequested(); }},
      {M::kExit, [this] { close(); }},
      {M::kSelectFont, [this] { OnSelectFont(); }},
      {M::kUseDefaultFont, [this] { OnUseDefaultFont(); }},
      {M::kTorrentZipFiles, [this] { emit torrentZipFilesRequested(); }},
      {M::kTorrentZipDirectory, [this] { emit torrentZipDirectoryRequested(); }},
      {M::kDeleteLogs, [this] { emit deleteAllLogFilesRequested(); }},
      {M::kOpenLogDir, [this] { emit openLogDirectoryRequested(); }},
      {M::kSaveCurrentLanguage, [this] { OnSaveCurrentLanguage(); }},
      {M::kSaveAllLanguages, [this] { OnSaveAllLanguages(); }},
      {M::kAbout, [this] { OnAbout(); }},
  };
  for (const auto& [item, handler] : menu) {
    if (QAction* action = MenuAction(item)) connect(action, &QAction::triggered, this, handler);
  }
}

void MainWindow::OnTorrentPathEdited(const QString& text) {
  context_.options.TorrentFile = text;
  if (text != remembered_torrent_path_ || text.isEmpty()) {
    remembered_torrent_path_ = text;
    context_.torrent_changed = true;
  }
}

void MainWindow::OnDownloadDirEdited(const QString& text) { context_.options.TorrentDir = text; }

void MainWindow::OnTorrentDropped(const QString& path) {
  remembered_torrent_path_ = context_.options.TorrentFile;
  context_.options.TorrentFile = path;
  if (path != remembered_torrent_path_ || path.isEmpty()) {
    remembered_torrent_path_ = path;
    context_.torrent_changed = true;
    Field(C::kTorrentPath)->setText(path);
  }
}

void MainWindow::OnDirDropped(const QString& path) { SetDownloadDir(path); }

// A directory dropped or chosen (not typed) also moves the backup field while it follows it.
void MainWindow::SetDownloadDir(const QString& dir) {
  context_.options.TorrentDir = dir;
  Field(C::kDownloadDir)->setText(dir);
  if (Box(C::kBackupToTorrentDir)->isChecked()) {
    Field(C::kBackupDirField)->setText(dir);
    context_.options.BackupDir = dir;
  }
}

void MainWindow::OnOptionBox(int RunFlags::*flag, bool checked) {
  context_.options.*flag = checked ? 1 : 0;
  // Greying out follows the boxes it depends on; ticks stay as they are.
  ApplyEnabledStates();
}

void MainWindow::OnKeepOnTop(bool checked) {
  context_.options.KeepWindowOnTop = checked ? 1 : 0;
  ApplyKeepOnTop();
  emit keepOnTopChanged(checked);
  ApplyEnabledStates();
}

void MainWindow::OnBackupDirEdited(const QString& text) {
  if (text != context_.options.BackupDir) context_.options.BackupDir = text;
}

void MainWindow::OnBackupToTorrentDir(bool checked) {
  if (checked) {
    Field(C::kBackupDirField)->setText(context_.options.TorrentDir);
    context_.options.BackupDir = context_.options.TorrentDir;
  }
  context_.options.BackupToTorrentDir = checked ? 1 : 0;
  ApplyEnabledStates();
}

void MainWindow::OnBackupSelect() {
  if (!debug_mode_ && context_.options.BackupDir.compare(kDebugAccessCode, Qt::CaseInsensitive) == 0) {
    debug_mode_ = true;
    // The window keeps its position and size; only the Tools menu changes.
    RebuildMainWindow();
    context_.dialogs.ShowMessage(this, QStringLiteral("Message"), QStringLiteral("Debug mode activated."));
    return;
  }
  QString dir = context_.dialogs.Directory(this, context_.messages.MessageText(u"Req_BackupDir"), QString());
  if (dir.isEmpty()) return;
  if (!dir.endsWith(QDir::separator())) dir += QDir::separator();
  context_.options.BackupDir = dir;
  Field(C::kBackupDirField)->setText(dir);
}

void MainWindow::OnSelectTorrent() {
  const MessageTable& table = context_.messages;
  const QString filter = table.MessageText(u"Req_SelectTorrent2") + QStringLiteral(" (*.torrent)");
  const QStringList chosen =
      context_.dialogs.OpenFiles(this, table.MessageText(u"Req_SelectTorrent"), QString(), filter, false);
  if (chosen.isEmpty() || chosen.front() == context_.options.TorrentFile) return;
  context_.options.TorrentFile = QDir::toNativeSeparators(chosen.front());
  remembered_torrent_path_ = context_.options.TorrentFile;
  context_.torrent_changed = true;
  Field(C::kTorrentPath)->setText(context_.options.TorrentFile);
}

void MainWindow::OnSelectTorrentDirectory() {
  HoldWindow(true);
  QString dir = context_.dialogs.Directory(nullptr, context_.messages.MessageText(u"Req_SelectTorrentDir"), QString());
  while (dir.size() > 1 && dir.endsWith(QDir::separator())) dir.chop(1);
  if (!dir.isEmpty()) SetDownloadDir(QDir::toNativeSeparators(dir));
  HoldWindow(false);
}

void MainWindow::OnSelectFont() {
  const std::optional<QFont> font = context_.dialogs.ChooseFont(this, ControlFont(context_.options, default_font_));
  if (!font) return;
  StoreFont(*font, context_.options);
  RebuildAtNaturalSize();
}

void MainWindow::OnUseDefaultFont() {
  context_.options.Font.clear();
  context_.options.FontSize = 0;
  context_.options.FontStyle = 0;
  RebuildAtNaturalSize();
}

// The window keeps its position and takes the natural size of its new texts or font, unless the
// user gave it a size that still fits them.
void MainWindow::RebuildAtNaturalSize() {
  if (isVisible() && windowState() == Qt::WindowNoState && centralWidget() != nullptr) {
    size_before_rebuild_ = std::make_pair(centralWidget()->size(), QSize(sizes_.natural_width, natural_height_));
  }
  context_.options.WindowSizeX = -1;
  context_.options.WindowSizeY = -1;
  RebuildMainWindow();
}

void MainWindow::OnAbout() {
  HoldWindow(true);
  emit aboutRequested();
  HoldWindow(false);
}

void MainWindow::OnLanguage(const QString& name) {
  context_.options.Language = name + QStringLiteral(".lng");
  context_.messages.RequestLanguage(context_.options.Language);
  RebuildAtNaturalSize();
}

void MainWindow::OnEnglish() {
  context_.messages.UseBuiltInLanguage();
  context_.options.Language.clear();
  RebuildAtNaturalSize();
}

void MainWindow::OnSaveCurrentLanguage() {
  const QString name = context_.messages.CurrentLanguageName();
  // Saving the built-in language is how a first translation starts, often before "lang" exists.
  CreateDirectories(context_.messages.LangDir());
  if (context_.messages.SaveLanguageFile(name) != 1) return;
  context_.dialogs.ShowMessage(this, QStringLiteral("Message"),
                               u'"' + name + QStringLiteral(".lng\" saved."));
}

void MainWindow::OnSaveAllLanguages() {
  context_.messages.SaveAllLanguageFiles(language_names_);
  context_.dialogs.ShowMessage(this, QStringLiteral("Message"), QStringLiteral("All language files saved."));
}

}  // namespace zandrel
