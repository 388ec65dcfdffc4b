// The small "TorrentZipping..." window: a progress bar over the zips of the run and Cancel.
#pragma once

#include <QWidget>

class QProgressBar;
class QPushButton;

namespace zandrel {

class TorrentZipWindow : public QWidget {
  Q_OBJECT

 public:
  // keep_on_top is fixed for the window's life: the main window's switch is locked during a run.
  TorrentZipWindow(const QString& cancel_text, int zip_count, bool keep_on_top);

  void SetPosition(int position);
  // The run is over: the window may close now.
  void CloseAtEnd();

  QProgressBar* ProgressBar() const { return progress_bar_; }
  QPushButton* CancelButton() const { return cancel_button_; }

 signals:
  // Cancel or the close box: the run stops after its current zip; the window stays until then.
  void stopRequested();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  QProgressBar* progress_bar_;
  QPushButton* cancel_button_;
  bool run_over_ = false;
};

}  // namespace zandrel
