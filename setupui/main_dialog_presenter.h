// The behaviour of the main dialog (CQuarvelDlg): the button workflow over
// one configuration, its two views, and the file commands.
#pragma once

#include "automation_link.h"
#include "dialog_view.h"
#include "kept_entries.h"
#include "setup_data.h"

namespace quarvel {

class MainDialogPresenter {
 public:
  MainDialogPresenter(DialogView& view, DialogServices& services) : view_(view), services_(services) {}

  void Initialise();
  void OnCreateNewFile();
  // Edit Existing: reads `path`, or when none is given the file the Open
  // dialog gives (the program started with a file gives it).
  void LoadConfigFile(std::optional<std::string> path = std::nullopt);
  void OnAddPrinter();
  void OnAddCashDrawer();
  void OnDeletePrinter();
  void OnDeleteCashDrawer();
  void SaveConfigFile();
  void OnCancelEdit();
  // Exit, Escape and the close box ask this first: while an automation client
  // is attached the dialog only hides itself.
  bool MayCloseDialog();

  // The automation object attached to this dialog, which only hides while
  // one is; a dialog destroyed first clears the object's link back to it.
  void AttachProxy(ProxyLink* proxy) { attachedProxy_ = proxy; }
  void DetachProxy() { attachedProxy_ = nullptr; }
  ProxyLink* AttachedProxy() const { return attachedProxy_; }
  ~MainDialogPresenter();
  MainDialogPresenter(const MainDialogPresenter&) = delete;
  MainDialogPresenter& operator=(const MainDialogPresenter&) = delete;
  const SetupData& Settings() const { return data_; }
  const ConfigPath& Path() const { return path_; }

 private:
  void ShowFileFailure(const std::string& reason);
  void ShowStartView();
  void ShowEditingView();
  void ResetCaptions();
  bool EditDevice(DeviceKind kind);

  DialogView& view_;
  DialogServices& services_;
  SetupData data_;
  SetupData working_;  // the device dialog's own copy
  ConfigPath path_;
  KeptEntries kept_;  // other devices' entries of the file being edited, written back on Save
  ProxyLink* attachedProxy_ = nullptr;
};

}  // namespace quarvel
