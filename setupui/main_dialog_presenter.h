// The behaviour of the main dialog (CQuarvelDlg): the button workflow over
// one configuration, its two views, and the file commands.
#pragma once

#include "dialog_view.h"
#include "setup_data.h"

namespace quarvel {

class MainDialogPresenter {
 public:
  MainDialogPresenter(DialogView& view, DialogServices& services) : view_(view), services_(services) {}

  void Initialise();
  void OnCreateNewFile();
  void LoadConfigFile();
  void OnAddPrinter();
  void OnAddCashDrawer();
  void OnDeletePrinter();
  void OnDeleteCashDrawer();
  void SaveConfigFile();
  void OnCancelEdit();
  // Exit, Escape and the close box ask this first: while an automation client
  // is attached the dialog only hides itself.
  bool MayCloseDialog();

  void SetProxyAttached(bool attached) { proxyAttached_ = attached; }
  const SetupData& Settings() const { return data_; }
  const ConfigPath& Path() const { return path_; }

 private:
  void ShowStartView();
  void ShowEditingView();
  void ResetCaptions();
  bool EditDevice(DeviceKind kind);

  DialogView& view_;
  DialogServices& services_;
  SetupData data_;
  SetupData working_;  // the device dialog's own copy
  ConfigPath path_;
  bool proxyAttached_ = false;
};

}  // namespace quarvel
