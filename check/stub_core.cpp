#include "check/stages.h"

namespace zandrel {

CheckRun::CheckRun(EngineState& e, const CheckInputs& in, WindowOperations& w)
    : engine(e), inputs(in), options(in.options), window(w) {}
void CheckRun::RebuildNeededPaths() {}
bool ReportWriter::Create(const QString&) { return false; }
void ReportWriter::WriteLine(const QString&) {}
void ReportWriter::Close() {}
CheckResult RunCheck(EngineState&, const CheckInputs&, WindowOperations&) { return {}; }
int CheckEntry(CheckRun&, TorrentFileEntry&) { return 0; }
int ReplaceWrongSizedFile(CheckRun&, TorrentFileEntry&, QString&, QString&) { return 0; }
int CopyFileBlocks(CheckRun&, const QString&, const QString&, int64_t) { return 0; }
void PrepareBackupLocation(CheckRun&, const QString&) {}
void CreateDirectoryPath(CheckRun&, const QString&, int) {}

}  // namespace zandrel
