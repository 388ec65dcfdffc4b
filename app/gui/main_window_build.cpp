// Creating the main window's controls and menus, and measuring them for the layout.
#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>

#include "app/gui/main_window.h"
#include "app/gui/main_window_path_field.h"
#include "app/gui/status_line.h"
#include "app/menu_access_keys.h"
#include "messages/language_folder.h"

namespace zandrel {
namespace {

using C = MainControl;
using M = MainMenuItem;

enum class Kind { kPathField, kFrame, kLabel, kButton, kToggle, kCheckBox, kStatusLine, kProgressBar };

struct ControlLook {
  Kind kind;
  const char16_t* text_key;  // nullptr: no text
};

struct ControlDef {
  MainControl control;
  ControlLook look;
};

// The window's own controls, in the order of MainControl.
constexpr ControlDef kControls[] = {
    {C::kTorrentPath, {Kind::kPathField, nullptr}},
    {C::kDownloadDir, {Kind::kPathField, nullptr}},
    {C::kStatusFrame, {Kind::kFrame, u"Frame_Status"}},
    {C::kTorrentDropLabel, {Kind::kLabel, u"Text_DragDropTorrent"}},
    {C::kDirDropLabel, {Kind::kLabel, u"Text_DragDropFolder"}},
    {C::kCheckTorrent, {Kind::kButton, u"Button_CheckTorrent"}},
    {C::kViewTorrent, {Kind::kButton, u"Button_ViewTorrent"}},
    {C::kStatusLine, {Kind::kStatusLine, nullptr}},
    {C::kProgressBar, {Kind::kProgressBar, nullptr}},
    {C::kSettingsFrame, {Kind::kFrame, u"Frame_Settings"}},
    {C::kAlwaysOnTop, {Kind::kCheckBox, u"CheckBox_AllwaysOnTop"}},
    {C::kIgnoreButton, {Kind::kToggle, u"Button_Ignore"}},
    {C::kBackupLabel, {Kind::kLabel, u"Text_BackupLocation"}},
    {C::kBackupSelect, {Kind::kButton, u"Button_BackupDir"}},
    {C::kBackupDirField, {Kind::kPathField, nullptr}},
    {C::kBackupToTorrentDir, {Kind::kCheckBox, u"CheckBox_BackupToTorrentsDir"}},
};

constexpr bool InOrderOfMainControl() {
  for (size_t i = 0; i < std::size(kControls); ++i) {
    if (static_cast<size_t>(kControls[i].control) != i) return false;
  }
  return std::size(kControls) == kMainControlCount;
}
static_assert(InOrderOfMainControl(), "one row per MainControl, in its order");

// A run switch's box is a check box with the text its row of kRunOptionTable names.
ControlLook LookOf(ControlId control) {
  if (control.IsOptionBox()) return {Kind::kCheckBox, kRunOptionTable[control.OptionRow()].check_box_key};
  return kControls[control.Index()].look;
}

QWidget* CreateControl(Kind kind, const QString& text, QWidget* parent) {
  switch (kind) {
    case Kind::kPathField:
      return new PathField(parent);
    case Kind::kFrame:
      return new QGroupBox(text, parent);
    case Kind::kLabel:
      return new QLabel(text, parent);
    case Kind::kButton:
    case Kind::kToggle: {
      auto* button = new QPushButton(text, parent);
      button->setCheckable(kind == Kind::kToggle);
      // Enter presses the button that has the keyboard, as Space does; outside a dialog Qt's
      // buttons answer Enter only when they are auto-default.
      button->setAutoDefault(true);
      return button;
    }
    case Kind::kCheckBox:
      return new QCheckBox(text, parent);
    case Kind::kStatusLine:
      return new StatusLine(parent);
    case Kind::kProgressBar: {
      auto* bar = new QProgressBar(parent);
      bar->setTextVisible(false);
      bar->hide();
      return bar;
    }
  }
  return nullptr;
}

int Allowance(Kind kind) {
  return kind == Kind::kFrame || kind == Kind::kButton || kind == Kind::kToggle || kind == Kind::kCheckBox ? 16 : 0;
}

struct MenuSpec {
  MainMenuItem item;
  const char16_t* text_key;
  QKeySequence shortcut;
  const char* shown_shortcut;  // shown only (the system's own close key)
};

// Marks an access key in each of these texts (menu titles, or the items of one menu).
void MarkAccessKeys(const QList<QAction*>& actions) {
  QStringList texts;
  for (const QAction* action : actions) texts << action->text();
  const QStringList marked = WithAccessKeys(texts);
  for (qsizetype i = 0; i < actions.size(); ++i) actions[i]->setText(marked[i]);
}

// Every menu title and item gets an access key.
void MarkMenuAccessKeys(QMenuBar* bar) {
  MarkAccessKeys(bar->actions());
  for (QAction* title : bar->actions()) {
    QMenu* menu = title->menu();
    if (menu == nullptr) continue;
    QList<QAction*> items;
    for (QAction* item : menu->actions()) {
      if (!item->isSeparator()) items << item;
    }
    MarkAccessKeys(items);
  }
}

}  // namespace

void MainWindow::BuildControls(QWidget* central) {
  const MessageTable& table = context_.messages;
  controls_.fill(nullptr);
  QWidget* previous = nullptr;
  for (ControlId control : TabOrder()) {
    const ControlLook look = LookOf(control);
    const QString text = look.text_key ? table.MessageText(look.text_key) : QString();
    QWidget* widget = CreateControl(look.kind, text, central);
    controls_[control.Index()] = widget;
    if (previous != nullptr) QWidget::setTabOrder(previous, widget);
    previous = widget;
  }
  // The backup field takes no drops; frames lie under the controls they frame.
  Field(C::kBackupDirField)->setAcceptDrops(false);
  Control(C::kStatusFrame)->lower();
  Control(C::kSettingsFrame)->lower();
}

void MainWindow::MeasureMainWindow() {
  const int edge = style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
  const QSize edges(edge, edge);
  for (ControlId control : TabOrder()) {
    const ControlLook look = LookOf(control);
    QWidget* widget = Control(control);
    QSize natural;
    const QFontMetrics metrics(widget->font());
    if (look.text_key != nullptr) {
      const QString text = context_.messages.MessageText(look.text_key);
      natural = TextNaturalSize(metrics.size(Qt::TextShowMnemonic, text), edges, Allowance(look.kind));
      // Frames have no layout of their own, so their size hint says nothing about the title.
      if (look.kind != Kind::kFrame) natural = natural.expandedTo(widget->sizeHint());
    } else if (look.kind == Kind::kStatusLine) {
      natural = TextNaturalSize(metrics.size(0, QStringLiteral(" ")), edges, 0)
                    .expandedTo(QSize(0, widget->minimumSizeHint().height()));
    }
    sizes_[control] = natural;
  }
  ComputeNaturalWidth(sizes_);
}

void MainWindow::BuildMenuBar() {
  const MessageTable& table = context_.messages;
  actions_.fill(nullptr);
  language_actions_.clear();
  language_names_.clear();
  auto* bar = new QMenuBar(this);
  setMenuBar(bar);
  auto add_items = [this, &table](QMenu* menu, std::initializer_list<MenuSpec> items) {
    for (const MenuSpec& def : items) {
      QString text = def.text_key ? table.MessageText(def.text_key) : QString();
      auto* action = menu->addAction(text);
      if (!def.shortcut.isEmpty()) {
        action->setShortcut(def.shortcut);
        action->setShortcutContext(Qt::WindowShortcut);
      } else if (def.shown_shortcut != nullptr) {
        action->setText(text + u'\t' + QLatin1String(def.shown_shortcut));
      }
      actions_[static_cast<int>(def.item)] = action;
    }
  };
  QMenu* file = bar->addMenu(table.MessageText(u"Menu_File"));
  add_items(file, {{M::kSelectTorrent, u"Menu_SelectTorrent", QKeySequence(Qt::CTRL | Qt::Key_F), nullptr},
                   {M::kSelectTorrentDirectory, u"Menu_SelectTorrentDirectory", QKeySequence(Qt::CTRL | Qt::Key_D), nullptr}});
  file->addSeparator();
  add_items(file, {{M::kLoadIgnoreTorrents, u"Menu_LoadIgnoreTorrents", QKeySequence(Qt::CTRL | Qt::Key_I), nullptr},
                   {M::kClearIgnoreList, u"Menu_ClearIgnoreList", QKeySequence(Qt::CTRL | Qt::Key_E), nullptr}});
  file->addSeparator();
  add_items(file, {{M::kExit, u"Menu_Exit", QKeySequence(), "Alt+F4"}});
  QMenu* settings = bar->addMenu(table.MessageText(u"Menu_Settings"));
  add_items(settings, {{M::kSelectFont, u"Menu_SelectFont", QKeySequence(), nullptr},
                       {M::kUseDefaultFont, u"Menu_UseDefaultFont", QKeySequence(), nullptr}});
  QMenu* tools = bar->addMenu(table.MessageText(u"Menu_Tools"));
  add_items(tools, {{M::kTorrentZipFiles, u"Menu_TorrentZipFiles", QKeySequence(Qt::CTRL | Qt::Key_A), nullptr},
                    {M::kTorrentZipDirectory, u"Menu_TorrentZipDirectory", QKeySequence(Qt::CTRL | Qt::Key_Z), nullptr}});
  tools->addSeparator();
  add_items(tools, {{M::kDeleteLogs, u"Menu_DeleteLogs", QKeySequence(Qt::CTRL | Qt::Key_X), nullptr},
                    {M::kOpenLogDir, u"Menu_OpenLogDir", QKeySequence(Qt::CTRL | Qt::Key_L), nullptr}});
  if (debug_mode_) {
    // Translators' tools: fixed English texts.
    actions_[static_cast<int>(M::kSaveCurrentLanguage)] = tools->addAction(QStringLiteral("Save current language file"));
    actions_[static_cast<int>(M::kSaveAllLanguages)] = tools->addAction(QStringLiteral("Save all language files"));
  }
  FillLanguageMenu(bar->addMenu(table.MessageText(u"Menu_Language")));
  QMenu* help = bar->addMenu(table.MessageText(u"Menu_Help"));
  add_items(help, {{M::kAbout, u"Menu_About", QKeySequence(), nullptr}});
  MarkMenuAccessKeys(bar);
}

void MainWindow::FillLanguageMenu(QMenu* menu) {
  const MessageTable& table = context_.messages;
  QAction* english = menu->addAction(QStringLiteral("<English>"));
  english->setCheckable(true);
  english->setChecked(!table.WorkingEntryCurrent());
  actions_[static_cast<int>(M::kEnglish)] = english;
  connect(english, &QAction::triggered, this, [this] { OnEnglish(); });
  const LanguageListing listing = ListLanguageFiles(table.LangDir());
  menu_states_.language_count = static_cast<int>(listing.names.size());
  menu_states_.language_listing_found = listing.found_any;
  if (!listing.names.isEmpty()) menu->addSeparator();
  for (const QString& name : listing.names) {
    QAction* action = menu->addAction(name);
    action->setCheckable(true);
    action->setChecked(table.WorkingEntryCurrent() && IsRequestedLanguage(name, table.RequestedLanguageFile()));
    action->setData(100 + static_cast<int>(language_actions_.size()) + 1);
    connect(action, &QAction::triggered, this, [this, name] { OnLanguage(name); });
    language_actions_ << action;
    language_names_ << name;
  }
}

}  // namespace zandrel
