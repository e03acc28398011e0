// How the automation object (CQuarvelDlgAutoProxy) ties into the program and
// its main dialog, free of COM: the program's lock count, and the proxy's
// link to the dialog, cleared from whichever side goes first.
#pragma once

#include <functional>

namespace quarvel {

class MainDialogPresenter;

// The locks that keep the program running for its automation clients. When
// the last one goes while the program is not under the user's control (an
// automation client started it), the program ends.
class ProgramLifetime {
 public:
  explicit ProgramLifetime(std::function<void()> endProgram) : endProgram_(std::move(endProgram)) {}
  void SetUserControl(bool userControl) { userControl_ = userControl; }
  bool UserControl() const { return userControl_; }
  void Lock() { ++locks_; }
  void Unlock();
  int Locks() const { return locks_; }

 private:
  std::function<void()> endProgram_;
  bool userControl_ = true;
  int locks_ = 0;
};

// The proxy's side: one program lock while it lives, and the dialog it is
// attached to (none once that dialog has gone).
class ProxyLink {
 public:
  ProxyLink(ProgramLifetime& program, MainDialogPresenter* ownerDialog);
  ~ProxyLink();
  ProxyLink(const ProxyLink&) = delete;
  ProxyLink& operator=(const ProxyLink&) = delete;

  // The dialog is being destroyed first.
  void OwnerDestroyed() { ownerDialog_ = nullptr; }
  MainDialogPresenter* OwnerDialog() const { return ownerDialog_; }

 private:
  ProgramLifetime& program_;
  MainDialogPresenter* ownerDialog_;
};

}  // namespace quarvel
