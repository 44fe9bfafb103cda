#include "ClassActCamera.h"

namespace orvanta {

ClassActCamera::ClassActCamera(const MainSettings& settings, ProcessPort& port, Notifier& notifier)
    : settings_(settings), port_(port), notifier_(notifier) {}

bool ClassActCamera::Action(const std::string& actName) {
  if (!InActionList(list_, actName)) return false;
  if (actName == "Run") CameraRun(!CameraIsRunning());
  return true;
}

bool ClassActCamera::CameraIsRunning() {
  // Only the process this handler started counts; a camera started before a
  // driver restart, or by hand, is not recognised.
  if (pid_ != 0 && port_.IsRunning(pid_)) return true;
  // Forget an ended process at once, so its id, once reused by the system,
  // is never mistaken for the camera.
  pid_ = 0;
  return false;
}

void ClassActCamera::CameraRun(bool wanted) {
  if (CameraIsRunning() == wanted) return;
  if (!wanted) {
    notifier_.SetText(u8"PCカメラはすでに起動されています。");
    return;
  }
  std::uint32_t pid = 0;
  if (!settings_.CameraPath.empty() && port_.ShellOpen(settings_.CameraPath, pid)) {
    notifier_.SetText(u8"PCカメラを起動しました。");
    pid_ = pid;
  } else {
    notifier_.SetText(std::string(u8"PCカメラを起動できません。") + "\r\n" + u8"設定を確認して下さい。");
  }
}

}  // namespace orvanta
