#include "app/gui/about_window.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <QStyle>

#include "app/about_texts.h"
#include "app/gui/about_pictures.h"
#include "app/gui/dialogs.h"

namespace zandrel {
namespace {

// The larger of the text's own measure (plus a frame on each side) and what the style asks for,
// so that no font or style clips it.
QSize NaturalSize(const QWidget& widget, const QString& text) {
  const int edge = widget.style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
  const QSize measured = widget.fontMetrics().size(Qt::TextSingleLine, text) + QSize(2 * edge, 2 * edge);
  return measured.expandedTo(widget.sizeHint());
}

}  // namespace

AboutWindow::AboutWindow(QWidget* parent, AppContext& context, QString readme_path)
    : QDialog(parent), context_(context), readme_path_(std::move(readme_path)) {
  // The window takes the font the main window uses, like the program's other windows.
  setAttribute(Qt::WA_WindowPropagation);
  setWindowTitle(context.messages.MessageText(u"Menu_About"));
  setWindowFlags((windowFlags() | Qt::WindowStaysOnTopHint) & ~Qt::WindowContextHelpButtonHint);
  setWindowModality(Qt::ApplicationModal);

  logo_ = new QLabel(this);
  logo_->setPixmap(QPixmap::fromImage(LogoImage()));
  const auto texts = AboutTexts();
  for (int i = 0; i < kAboutLineCount; ++i) {
    lines_[i] = new QLabel(texts[i], this);
    lines_[i]->setTextInteractionFlags(Qt::TextSelectableByMouse);
  }
  QFont name_font = lines_[0]->font();
  name_font.setBold(true);
  lines_[0]->setFont(name_font);
  link_ = new QLabel(this);
  link_->setPixmap(QPixmap::fromImage(LinkImage()));
  link_->setCursor(Qt::PointingHandCursor);
  link_->setToolTip(readme_path_);
  link_->installEventFilter(this);
  ok_ = new QPushButton(context.messages.MessageText(u"Button_OK"), this);
  ok_->setDefault(true);
  connect(ok_, &QPushButton::clicked, this, &QDialog::accept);

  const AboutLayout layout = LayoutAboutWindow(MeasureAboutWindow());
  logo_->setGeometry(layout.logo);
  for (int i = 0; i < kAboutLineCount; ++i) lines_[i]->setGeometry(layout.lines[i]);
  link_->setGeometry(layout.link);
  ok_->setGeometry(layout.ok_button);
  setFixedSize(layout.inner);
}

AboutNaturalSizes AboutWindow::MeasureAboutWindow() const {
  AboutNaturalSizes natural;
  natural.ok_button = NaturalSize(*ok_, ok_->text());
  for (int i = 0; i < kAboutLineCount; ++i) natural.lines[i] = NaturalSize(*lines_[i], lines_[i]->text());
  return natural;
}

bool AboutWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == link_ && event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    OpenLink();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

void AboutWindow::OpenLink() {
  if (!readme_path_.isEmpty()) context_.dialogs.OpenWithAssociatedProgram(readme_path_, {});
  accept();
}

void ShowAbout(QWidget* parent, AppContext& context) {
  AboutWindow window(parent, context, ShippedReadmePath(QApplication::applicationDirPath()));
  window.exec();
  if (parent) parent->activateWindow();
}

}  // namespace zandrel
