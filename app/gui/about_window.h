// The About window: logo, the program's texts, a link picture that opens the README, OK.
#pragma once

#include <QDialog>
#include <array>

#include "app/about_layout.h"
#include "app/gui/app_context.h"

class QLabel;
class QPushButton;

namespace zandrel {

class AboutWindow : public QDialog {
 public:
  // readme_path: what the link opens (empty: the link only closes the window).
  AboutWindow(QWidget* parent, AppContext& context, QString readme_path);

  QLabel* LinkPicture() const { return link_; }
  QPushButton* OkButton() const { return ok_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  AboutNaturalSizes MeasureAboutWindow() const;
  void OpenLink();

  AppContext& context_;
  QString readme_path_;
  QLabel* logo_ = nullptr;
  std::array<QLabel*, kAboutLineCount> lines_{};
  QLabel* link_ = nullptr;
  QPushButton* ok_ = nullptr;
};

// Shows the About window modally over parent, on top of the program's other windows, until it is
// closed with OK, its close box or a click on the link.
void ShowAbout(QWidget* parent, AppContext& context);

}  // namespace zandrel
