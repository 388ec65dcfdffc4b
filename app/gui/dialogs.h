// Every modal box and requester the windows show goes through this seam, so that tests can answer
// them without blocking and the windows never call a static QMessageBox or QFileDialog directly.
#pragma once

#include <QFont>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class QWidget;

namespace zandrel {

// The icon of a Yes/No box: a question, or a warning before something that cannot be undone.
enum class BoxIcon { kQuestion, kWarning };

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // A Yes/No box; true for Yes. "|" in text is already turned into line breaks by the caller.
  virtual bool AskYesNo(QWidget* parent, const QString& title, const QString& text, BoxIcon icon) = 0;
  // An information box with OK.
  virtual void ShowMessage(QWidget* parent, const QString& title, const QString& text) = 0;
  // Open-file requester; empty when cancelled. With multiple, every chosen file.
  virtual QStringList OpenFiles(QWidget* parent, const QString& title, const QString& start,
                                const QString& filter, bool multiple) = 0;
  // Save-file requester; empty when cancelled.
  virtual QString SaveFile(QWidget* parent, const QString& title, const QString& start,
                           const QString& filter) = 0;
  // Folder requester; empty when cancelled.
  virtual QString Directory(QWidget* parent, const QString& title, const QString& start) = 0;
  // Font requester; nothing when cancelled.
  virtual std::optional<QFont> ChooseFont(QWidget* parent, const QFont& initial) = 0;
  // Opens a file or folder with the program the desktop associates with it. `failed`, when set, is
  // called on the GUI thread when nothing opened it: at once when no opener could be started, or
  // later, once the desktop's opener has ended without finding a program for it.
  virtual void OpenWithAssociatedProgram(const QString& path, std::function<void()> failed) = 0;
};

// The real boxes and requesters.
class QtDialogs : public Dialogs {
 public:
  bool AskYesNo(QWidget* parent, const QString& title, const QString& text, BoxIcon icon) override;
  void ShowMessage(QWidget* parent, const QString& title, const QString& text) override;
  QStringList OpenFiles(QWidget* parent, const QString& title, const QString& start,
                        const QString& filter, bool multiple) override;
  QString SaveFile(QWidget* parent, const QString& title, const QString& start,
                   const QString& filter) override;
  QString Directory(QWidget* parent, const QString& title, const QString& start) override;
  std::optional<QFont> ChooseFont(QWidget* parent, const QFont& initial) override;
  void OpenWithAssociatedProgram(const QString& path, std::function<void()> failed) override;
};

}  // namespace zandrel
