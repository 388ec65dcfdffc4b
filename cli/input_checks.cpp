#include "cli/input_checks.h"

#include "check/preflight.h"

namespace zandrel {

QString TorrentFileProblem(const QString& path) {
  const PreflightProblem problem = TorrentFileRefusal(path);
  switch (problem.refusal) {
    case Refusal::kNone: return QString();
    case Refusal::kTorrentNotFound: return QStringLiteral("not found");
    case Refusal::kTorrentIsDirectory: return QStringLiteral("is a directory");
    default: return problem.detail;
  }
}

}  // namespace zandrel
