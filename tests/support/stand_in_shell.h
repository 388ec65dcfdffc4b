// The main window's part for tool windows shown on their own (screenshots, benchmarks): nothing to
// hold, nowhere to tell anything.
#pragma once

#include "app/gui/app_context.h"

namespace zandrel::test {

class StandInShell : public Shell {
 public:
  QWidget* Window() override { return nullptr; }
  void HoldWindow(bool) override {}
  void ShowStatusMessage(const QString&) override {}
};

}  // namespace zandrel::test
