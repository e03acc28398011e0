#include "main_dialog_presenter.h"

#include <exception>

#include "control_ids.h"
#include "fixed_text.h"
#include "jpos_reader.h"
#include "jpos_writer.h"
#include "settings_ops.h"

namespace quarvel {

namespace {
constexpr const char* kAddPrinter = "Add Printer Device";
constexpr const char* kModifyPrinter = "Modify Printer Device";
constexpr const char* kAddDrawer = "Add CashDrawer Device";
constexpr const char* kModifyDrawer = "Modify CashDrawer Device";
constexpr const char* kErrorCaption = "ERROR";
}  // namespace

void MainDialogPresenter::ShowStartView() {
  for (int id : {IDC_QUARVEL_GROUP, IDC_CREATE_NEW, IDC_EDIT_EXISTING}) view_.Show(id, true);
  for (int id : {IDC_XML_GROUP, IDC_ADD_PRINTER, IDC_DELETE_PRINTER, IDC_ADD_DRAWER, IDC_DELETE_DRAWER, IDC_SAVE,
                 IDC_CANCEL_EDIT}) {
    view_.Show(id, false);
  }
}

// The editing view as Create New and a load leave it: the device buttons only.
void MainDialogPresenter::ShowEditingView() {
  for (int id : {IDC_QUARVEL_GROUP, IDC_CREATE_NEW, IDC_EDIT_EXISTING}) view_.Show(id, false);
  for (int id : {IDC_XML_GROUP, IDC_ADD_PRINTER, IDC_ADD_DRAWER}) view_.Show(id, true);
  for (int id : {IDC_DELETE_PRINTER, IDC_DELETE_DRAWER, IDC_SAVE, IDC_CANCEL_EDIT}) view_.Show(id, false);
}

void MainDialogPresenter::ResetCaptions() {
  view_.SetText(IDC_ADD_PRINTER, kAddPrinter);
  view_.SetText(IDC_ADD_DRAWER, kAddDrawer);
}

void MainDialogPresenter::Initialise() {
  ResetSettings(data_, path_);
  kept_.clear();
  ShowStartView();
}

void MainDialogPresenter::OnCreateNewFile() {
  CreateNewConfiguration(data_);
  ShowEditingView();
}

void MainDialogPresenter::LoadConfigFile(std::optional<std::string> path) {
  data_.mode = SetupMode::EditFile;
  StoreText(data_.printer.logicalName, "");
  StoreText(data_.printer.portName, "");
  StoreText(data_.drawer.logicalName, "");
  StoreText(data_.drawer.portName, "");
  const auto chosen = path ? path : services_.ChooseOpenFile();
  if (!chosen) return;
  if (chosen->size() >= static_cast<size_t>(kPathWidth)) {
    ShowFileFailure("The path is longer than 255 characters.");  // never cut to another name
    return;
  }
  StoreText(path_.text, *chosen);
  LoadResult loaded;
  try {
    loaded = quarvel::LoadConfigFile(*chosen, data_);
    kept_ = loaded.kept;
  } catch (const std::exception& error) {  // out of memory: reported, as a file that can't be read
    loaded = LoadResult{false, error.what(), {}, {}};
  }
  if (!loaded.opened) {
    // Nothing was read: back to the empty state of the start view.
    ShowFileFailure(loaded.detail);
    ResetSettings(data_, path_);
    kept_.clear();
    return;
  }
  for (const std::string& message : loaded.messages) services_.ShowMessage(message, kErrorCaption);
  view_.SetText(IDC_ADD_PRINTER, data_.printerPresent == 1 ? kModifyPrinter : kAddPrinter);
  view_.SetText(IDC_ADD_DRAWER, data_.drawerPresent == 1 ? kModifyDrawer : kAddDrawer);
  ShowEditingView();
}

bool MainDialogPresenter::EditDevice(DeviceKind kind) {
  PrepareDeviceEdit(data_, working_, kind);
  if (!services_.RunDeviceDialog(working_)) return false;
  AcceptDeviceEdit(data_, working_, kind);
  view_.Show(IDC_SAVE, true);
  view_.Show(IDC_CANCEL_EDIT, true);
  return true;
}

void MainDialogPresenter::OnAddPrinter() {
  if (!EditDevice(DeviceKind::Printer)) return;
  view_.SetText(IDC_ADD_PRINTER, kModifyPrinter);
  view_.Show(IDC_DELETE_PRINTER, true);
}

void MainDialogPresenter::OnAddCashDrawer() {
  if (!EditDevice(DeviceKind::CashDrawer)) return;
  view_.SetText(IDC_ADD_DRAWER, kModifyDrawer);
  view_.Show(IDC_DELETE_DRAWER, true);
}

void MainDialogPresenter::OnDeletePrinter() {
  DeletePrinter(data_);
  view_.SetText(IDC_ADD_PRINTER, kAddPrinter);
  view_.Show(IDC_ADD_PRINTER, true);
  view_.Show(IDC_DELETE_PRINTER, false);
  if (data_.mode == SetupMode::NewFile && data_.drawerPresent == 0) ShowStartView();
}

void MainDialogPresenter::OnDeleteCashDrawer() {
  DeleteCashDrawer(data_);
  view_.SetText(IDC_ADD_DRAWER, kAddDrawer);
  view_.Show(IDC_ADD_DRAWER, true);
  view_.Show(IDC_DELETE_DRAWER, false);
  if (data_.mode == SetupMode::NewFile && data_.printerPresent == 0) ShowStartView();
}

void MainDialogPresenter::SaveConfigFile() {
  std::string path(TextOf(path_.text));
  if (data_.mode == SetupMode::NewFile) {
    const auto chosen = services_.ChooseSaveFile();
    if (!chosen) return;
    path = *chosen;
    StoreText(path_.text, path);
  }
  SaveResult saved;
  try {
    saved = quarvel::SaveConfigFile(path, data_, kept_);
  } catch (const std::exception& error) {  // reported; the settings stay for another try
    saved = SaveResult{false, path, error.what()};
  }
  if (!saved.ok) {
    // Nothing is lost: settings, path and the editing view stay for another try.
    ShowFileFailure(saved.detail);
    return;
  }
  const SetupMode mode = data_.mode;
  const DeviceKind editKind = data_.editKind;
  ResetSettings(data_, path_);
  kept_.clear();
  data_.mode = mode;
  data_.editKind = editKind;
  ResetCaptions();
  ShowStartView();
}

void MainDialogPresenter::OnCancelEdit() {
  ResetSettings(data_, path_);
  kept_.clear();
  ResetCaptions();
  ShowStartView();
}

// The program's one file message, and the system's reason in a paragraph of its own.
void MainDialogPresenter::ShowFileFailure(const std::string& reason) {
  services_.ShowMessage(reason.empty() ? std::string(kOpenFileFailed) : std::string(kOpenFileFailed) + "\n\n" + reason,
                        kApplicationName);
}

MainDialogPresenter::~MainDialogPresenter() {
  if (attachedProxy_ != nullptr) attachedProxy_->OwnerDestroyed();
}

bool MainDialogPresenter::MayCloseDialog() {
  if (attachedProxy_ == nullptr) return true;
  services_.HideMainDialog();
  return false;
}

}  // namespace quarvel
