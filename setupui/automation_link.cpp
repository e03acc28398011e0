#include "automation_link.h"

#include "main_dialog_presenter.h"

namespace quarvel {

void ProgramLifetime::Unlock() {
  if (locks_ > 0) --locks_;
  if (locks_ == 0 && !userControl_ && endProgram_) endProgram_();
}

ProxyLink::ProxyLink(ProgramLifetime& program, MainDialogPresenter* ownerDialog)
    : program_(program), ownerDialog_(ownerDialog) {
  program_.Lock();
  if (ownerDialog_ != nullptr) ownerDialog_->AttachProxy(this);
}

ProxyLink::~ProxyLink() {
  if (ownerDialog_ != nullptr) ownerDialog_->DetachProxy();
  program_.Unlock();
}

}  // namespace quarvel
