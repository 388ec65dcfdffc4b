// The whole program started in a temporary folder, with its boxes and requesters answered by a
// script, and the helpers to act on the main window as a user would.
#pragma once

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <memory>

#include "app/gui/application.h"
#include "app/gui/main_window.h"
#include "app/gui/main_window_path_field.h"
#include "platform/native_name.h"
#include "tests/gui/scripted_dialogs.h"
#include "tests/support/test_files.h"

namespace zandrel::test {

class MainWindowFixture : public ::testing::Test {
 protected:
  using C = MainControl;
  using M = MainMenuItem;

  void SetUp() override {
    ASSERT_TRUE(root_.isValid());
    QDir().mkpath(work_);
    QDir().mkpath(Join(root_.path(), "config"));
  }
  void TearDown() override { app_.reset(); }

  // Starts the program; settings (when given) are the settings file's text.
  MainWindow& Start(const QByteArray& settings = {}) {
    if (!settings.isNull()) {
      QDir().mkpath(ConfigDir());
      QFile file(SettingsPath());
      EXPECT_TRUE(file.open(QIODevice::WriteOnly));
      file.write(settings);
    }
    app_ = std::make_unique<Application>(dialogs_, StartupPaths{work_, ConfigDir() + "/", work_});
    app_->Start();
    return Window();
  }
  MainWindow& Window() { return app_->Window(); }
  Options& Opts() { return app_->Context().options; }

  QString ConfigDir() const { return Join(root_.path(), "config/Zandrel"); }
  QString SettingsPath() const { return Join(ConfigDir(), "zandrel.ini"); }
  QStringList SettingsLines() const {
    QFile file(SettingsPath());
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(file.readAll()).split("\r\n", Qt::SkipEmptyParts);
  }

  // The shown top-level window of that class, or nullptr.
  template <class W>
  static W* OpenWindow() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      if (auto* window = qobject_cast<W*>(widget); window && window->isVisible()) return window;
    }
    return nullptr;
  }

  // The check box of a run switch.
  static ControlId OptionBox(int RunFlags::*flag) { return ControlId::OptionBox(flag); }
  QCheckBox* Box(ControlId control) { return Window().Box(control); }
  QPushButton* Button(ControlId control) { return Window().Button(control); }
  QLineEdit* Field(ControlId control) { return Window().Field(control); }
  QString StatusText() { return Window().Label(MainControl::kStatusLine)->text(); }
  void Click(ControlId control) { QTest::mouseClick(Window().Control(control), Qt::LeftButton); }
  void Trigger(MainMenuItem item) { Window().MenuAction(item)->trigger(); }
  void Type(ControlId control, const QString& text) {
    QLineEdit* field = Field(control);
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Delete);
    QTest::keyClicks(field, text);
  }

  // Drops data on a control as the desktop's drag and drop would.
  static bool Drop(QWidget* target, QMimeData* data) {
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent drop(QPointF(at), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return drop.isAccepted();
  }
  bool DropFiles(ControlId control, const QStringList& paths) {
    QMimeData data;
    QList<QUrl> urls;
    // Built from the name's bytes, as a file manager does: fromLocalFile would lose those of a
    // name that is not UTF-8.
    for (const QString& path : paths) urls << QUrl::fromEncoded("file://" + EncodeName(path).toPercentEncoding("/"));
    data.setUrls(urls);
    return Drop(Window().Control(control), &data);
  }

  // Closes the window as the user would and lets the event loop run until the program has ended.
  bool CloseAndWaitForExit(int timeout_ms = 10000) {
    QSignalSpy exited(app_.get(), &Application::exited);
    Window().close();
    return exited.count() > 0 || exited.wait(timeout_ms);
  }

  QTemporaryDir root_;
  QString work_ = Join(root_.path(), "work");
  ScriptedDialogs dialogs_;
  std::unique_ptr<Application> app_;
};

}  // namespace zandrel::test
