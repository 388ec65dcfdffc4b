#include "app/gui/torrentzip_window.h"

#include <QCloseEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>

#include "app/torrentzip_layout.h"

namespace zandrel {
namespace {

const QString kTitle = QStringLiteral("TorrentZipping...");
constexpr int kEdge = 2;

// The larger of the described measure (text + edges + 16 by text height + edges + 4) and what the
// style needs, so that no style clips the caption.
QSize NaturalButtonSize(const QPushButton& button) {
  const QFontMetrics metrics(button.font());
  const QSize measured(metrics.horizontalAdvance(button.text()) + 2 * kEdge + 16,
                       metrics.height() + 2 * kEdge + 4);
  return measured.expandedTo(button.sizeHint());
}

Qt::WindowFlags WindowFlagsFor(bool keep_on_top) {
  Qt::WindowFlags flags = Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint;
  if (keep_on_top) flags |= Qt::WindowStaysOnTopHint;
  return flags;
}

}  // namespace

TorrentZipWindow::TorrentZipWindow(const QString& cancel_text, int zip_count, bool keep_on_top)
    : QWidget(nullptr, WindowFlagsFor(keep_on_top)),
      progress_bar_(new QProgressBar(this)),
      cancel_button_(new QPushButton(cancel_text, this)) {
  setWindowTitle(kTitle);
  setAttribute(Qt::WA_QuitOnClose, false);
  progress_bar_->setRange(0, zip_count);
  progress_bar_->setValue(0);
  progress_bar_->setTextVisible(false);
  const TorrentZipLayout layout = LayoutTorrentZipWindow(NaturalButtonSize(*cancel_button_));
  progress_bar_->setGeometry(layout.progress_bar);
  cancel_button_->setGeometry(layout.cancel_button);
  setFixedSize(layout.inner);
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect frame(QPoint(), layout.inner);
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
  }
  connect(cancel_button_, &QPushButton::clicked, this, &TorrentZipWindow::stopRequested);
}

void TorrentZipWindow::SetPosition(int position) { progress_bar_->setValue(position); }

void TorrentZipWindow::CloseAtEnd() {
  run_over_ = true;
  close();
}

void TorrentZipWindow::closeEvent(QCloseEvent* event) {
  if (run_over_) {
    event->accept();
    return;
  }
  event->ignore();
  emit stopRequested();
}

}  // namespace zandrel
