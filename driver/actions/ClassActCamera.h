#pragma once
// Group "Camera": Run starts the registered PC camera program once; while the
// process it started runs, a press only says so.
#include <cstdint>
#include <string>
#include <vector>

#include "ActionHandler.h"
#include "base/AnsiString.h"
#include "base/Notifier.h"
#include "base/Settings.h"

namespace orvanta {

// Process services as the Windows shell provides them.
class ProcessPort {
public:
  virtual ~ProcessPort() = default;
  // Starts path (as the INI file holds it) through the shell ("open", its
  // folder as working folder); true on success, with the new process's id
  // in pid (0 when the shell started none). Empty path: false without
  // calling the shell.
  virtual bool ShellOpen(const AnsiString& path, std::uint32_t& pid) = 0;
  // True while the process with this id runs (its exit code is STILL_ACTIVE).
  [[nodiscard]] virtual bool IsRunning(std::uint32_t pid) = 0;
};

class ClassActCamera : public ActionHandler {
public:
  ClassActCamera(const MainSettings& settings, ProcessPort& port, Notifier& notifier);
  const std::vector<std::string>& ActionList() const override { return list_; }
  bool Action(const std::string& actName) override;

private:
  [[nodiscard]] bool CameraIsRunning();
  void CameraRun(bool wanted);

  std::vector<std::string> list_{"Run"};
  const MainSettings& settings_;
  ProcessPort& port_;
  Notifier& notifier_;
  std::uint32_t pid_ = 0;
};

}  // namespace orvanta
