// The report a person reads: every line is made here, from the run's events, in the order the
// run decided them.
#pragma once

#include <QDate>
#include <QFile>
#include <QTime>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

#include "check/run_counters.h"
#include "check/run_events.h"

namespace zandrel {

struct RunContext;

// The report file: UTF-8 lines ending in CR LF, each on disk as soon as it is written.
class ReportWriter {
 public:
  bool Create(const QString& path);
  // Creates a report that no other run writes: at path, or when that name is taken at the first
  // free one of "name_2.log", "name_3.log", ... beside it. The name it took; none when it failed.
  std::optional<QString> CreateNew(const QString& path);
  void WriteLine(const QString& line);  // UTF-8, CR LF, no byte-order mark; no-op when closed
  void Close();
  bool IsOpen() const { return file_ && file_->isOpen(); }
  // False once a write, a flush or the close has failed (a full disk): the report is incomplete.
  bool Complete() const { return complete_; }
  QString LastError() const { return last_error_; }

 private:
  void Fail(const QString& error);

  std::unique_ptr<QFile> file_;
  bool complete_ = true;
  QString last_error_;
};

// Report name: "ZandrelReport_" + base name + "_" + date + "_" + time + ".log".
QString ReportFileName(const QString& torrent_path, const QDate& date, const QTime& time);

// Turns each event into its report lines and hands them to the writer.
class RunReport : public EventSink {
 public:
  RunReport(const RunContext& context, ReportWriter& writer);
  void Emit(const RunEvent& event) override;

  // The lines of one event as this report writes them, given everything before it.
  std::vector<QString> LinesOf(const RunEvent& event);

 private:
  friend struct ReportLines;
  const RunContext& context_;
  ReportWriter& writer_;
  RunCounters counters_;               // as far as the events have come
  std::vector<QString> unreadable_;    // per entry: why its file could not be read
  bool file_lines_written_ = false;    // the file check wrote a line of its own
};

}  // namespace zandrel
