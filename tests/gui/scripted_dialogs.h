// Answers the windows' boxes and requesters from a script, recording what was asked.
#pragma once

#include <QList>
#include <QStringList>
#include <QTimer>
#include <deque>
#include <functional>
#include <utility>

#include "app/gui/dialogs.h"

namespace zandrel::test {

class ScriptedDialogs : public Dialogs {
 public:
  struct Asked {
    QString kind;  // "yesno", "message", "open", "save", "directory", "font"
    QString title, text;
    BoxIcon icon = BoxIcon::kQuestion;  // of a Yes/No box
  };

  bool AskYesNo(QWidget*, const QString& title, const QString& text, BoxIcon icon) override {
    asked.push_back({"yesno", title, text, icon});
    if (yes_no.empty()) return false;
    const bool answer = yes_no.front();
    yes_no.pop_front();
    return answer;
  }
  void ShowMessage(QWidget*, const QString& title, const QString& text) override {
    asked.push_back({"message", title, text});
  }
  QStringList OpenFiles(QWidget*, const QString& title, const QString&, const QString& filter,
                        bool) override {
    asked.push_back({"open", title, filter});
    return Next(open_files);
  }
  QString SaveFile(QWidget*, const QString& title, const QString&, const QString& filter) override {
    asked.push_back({"save", title, filter});
    const QStringList next = Next(save_files);
    return next.value(0);
  }
  QString Directory(QWidget*, const QString& title, const QString&) override {
    asked.push_back({"directory", title, {}});
    return Next(directories).value(0);
  }
  std::optional<QFont> ChooseFont(QWidget*, const QFont&) override {
    asked.push_back({"font", {}, {}});
    if (fonts.empty()) return std::nullopt;
    const QFont font = fonts.front();
    fonts.pop_front();
    return font;
  }
  // Records the path; with open_fails set, nothing opens it, which is told from the event loop as
  // the desktop's opener tells it once it has ended.
  void OpenWithAssociatedProgram(const QString& path, std::function<void()> failed) override {
    opened.push_back(path);
    if (open_fails && failed) QTimer::singleShot(0, std::move(failed));
  }

  int Count(const QString& kind) const {
    int n = 0;
    for (const Asked& a : asked) n += a.kind == kind ? 1 : 0;
    return n;
  }

  std::deque<bool> yes_no;
  std::deque<QStringList> open_files, save_files, directories;
  std::deque<QFont> fonts;
  QList<Asked> asked;
  QStringList opened;
  bool open_fails = false;

 private:
  static QStringList Next(std::deque<QStringList>& queue) {
    if (queue.empty()) return {};
    QStringList next = queue.front();
    queue.pop_front();
    return next;
  }
};

}  // namespace zandrel::test
