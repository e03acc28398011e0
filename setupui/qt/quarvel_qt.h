// quarvel for Linux: the main dialog and the device setup dialog as Qt
// windows laid out from the templates, driven by the same presenters as on
// Windows. This layer only routes clicks to the presenters and moves data
// through QtDialogView.
#pragma once

#include <QString>
#include <memory>

#include "device_setup_presenter.h"
#include "main_dialog_presenter.h"
#include "qt_dialog_view.h"
#include "template_dialog.h"

namespace quarvel::qt {

class MainDialog : public DialogServices {
 public:
  MainDialog();
  ~MainDialog() override;

  TemplateDialog& Window() { return *window_; }
  MainDialogPresenter& Presenter() { return presenter_; }

  std::optional<std::string> ChooseSaveFile() override { return ChooseFile(true); }
  std::optional<std::string> ChooseOpenFile() override { return ChooseFile(false); }
  void ShowMessage(std::string_view text, std::string_view caption) override;
  bool RunDeviceDialog(SetupData& working) override;
  void HideMainDialog() override;
  void ShowAbout();
  // Edit Existing with a file named on the command line.
  void OpenFile(const QString& path);

 private:
  void ShowFileInTitle();
  std::optional<std::string> ChooseFile(bool save);
  void OnClicked(int id);

  std::unique_ptr<TemplateDialog> window_;
  QtDialogView view_;
  MainDialogPresenter presenter_;
};

// The device setup dialog over `working`, built but not yet run.
class DeviceDialog {
 public:
  DeviceDialog(SetupData& working, QWidget* parent);
  TemplateDialog& Window() { return window_; }
  QtDialogView& View() { return view_; }
  DeviceSetupPresenter& Presenter() { return presenter_; }

 private:
  TemplateDialog window_;
  QtDialogView view_;
  DeviceSetupPresenter presenter_;
};

// Sets the template fonts' stand-ins, the icon and the program's names.
void PrepareApplication();

// Poses the four views and saves each as DIR/linux-NAME.png; false when one
// could not be written.
bool TakeScreenshots(const QString& dir);

}  // namespace quarvel::qt
