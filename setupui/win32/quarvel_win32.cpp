// Quarvel.exe: the main dialog and the device setup dialog as real Win32
// dialogs from their templates. The procedures only route messages to the
// presenters and move data through Win32DialogView.
#include <windows.h>
// windows.h first: the common control headers need its types
#include <commctrl.h>
#include <commdlg.h>

#include <optional>

#include "automation_win32.h"
#include "command_line.h"
#include "control_ids.h"
#include "device_setup_presenter.h"
#include "main_dialog_presenter.h"
#include "win32_dialog_view.h"
#include "win32_text.h"

namespace quarvel::win32 {

namespace {

HINSTANCE instance = nullptr;

INT_PTR CALLBACK AboutProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) return TRUE;
  if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
    EndDialog(dialog, LOWORD(wParam));
    return TRUE;
  }
  return FALSE;
}

struct DeviceDialogContext {
  SetupData* data;
  std::optional<DeviceSetupPresenter> presenter;
  std::optional<Win32DialogView> view;
};

INT_PTR CALLBACK DeviceSetupProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* context = reinterpret_cast<DeviceDialogContext*>(GetWindowLongPtrW(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG:
      context = reinterpret_cast<DeviceDialogContext*>(lParam);
      SetWindowLongPtrW(dialog, DWLP_USER, lParam);
      context->view.emplace(dialog);
      context->presenter.emplace(*context->data);
      context->presenter->Initialise(*context->view);
      return TRUE;  // the focus goes to the first control in tab order
    case WM_COMMAND:
      if (context == nullptr) return FALSE;
      if (LOWORD(wParam) == IDC_PORT_NAME && HIWORD(wParam) == CBN_SELCHANGE) {
        context->presenter->OnPortSelectionChanged(*context->view);
        return TRUE;
      }
      if (LOWORD(wParam) == IDOK) {
        std::string refusal;
        if (context->presenter->OnOk(*context->view, refusal)) {
          EndDialog(dialog, IDOK);
        } else {
          MessageBoxW(dialog, Widen(refusal).c_str(), Widen(kApplicationName).c_str(), MB_OK | MB_ICONERROR);
        }
        return TRUE;
      }
      if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

std::optional<std::string> ChooseFile(HWND owner, bool save) {
  wchar_t path[MAX_PATH] = L"";
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = L"xml Files (*.xml)\0*.xml\0";
  ofn.lpstrFile = path;
  ofn.nMaxFile = MAX_PATH;
  ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | (save ? OFN_OVERWRITEPROMPT : 0);
  // The overwrite question must see the file that will be written: "jpos" is saved as jpos.xml.
  ofn.lpstrDefExt = save ? L"xml" : nullptr;
  const BOOL chosen = save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn);
  if (!chosen) return std::nullopt;
  return Narrow(path);
}

// The running program: its state for the automation server and its main window.
struct Program {
  ProgramState state{[this] {
    if (window != nullptr) EndDialog(window, IDCANCEL);
  }};
  HWND window = nullptr;
};

// The main dialog's window, view and presenter; while it exists it is the
// program's running dialog, which automation objects attach to.
class MainDialog : public DialogServices {
 public:
  MainDialog(HWND dialog, Program& program)
      : dialog_(dialog), view_(dialog), presenter_(view_, *this), program_(program) {
    program_.window = dialog;
    program_.state.runningDialog = &presenter_;
  }
  ~MainDialog() override {
    program_.window = nullptr;
    program_.state.runningDialog = nullptr;
  }

  std::optional<std::string> ChooseSaveFile() override { return ChooseFile(dialog_, true); }
  std::optional<std::string> ChooseOpenFile() override { return ChooseFile(dialog_, false); }
  void ShowMessage(std::string_view text, std::string_view caption) override {
    MessageBoxW(dialog_, Widen(text).c_str(), Widen(caption).c_str(), MB_OK);
  }
  bool RunDeviceDialog(SetupData& working) override {
    DeviceDialogContext context{&working, std::nullopt, std::nullopt};
    return DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_JAVAPOS_SETUP), dialog_, DeviceSetupProc,
                           reinterpret_cast<LPARAM>(&context)) == IDOK;
  }
  void HideMainDialog() override { ShowWindow(dialog_, SW_HIDE); }

  MainDialogPresenter& Presenter() { return presenter_; }

 private:
  HWND dialog_;
  Win32DialogView view_;
  MainDialogPresenter presenter_;
  Program& program_;
};

void AddAboutToSystemMenu(HWND dialog) {
  HMENU menu = GetSystemMenu(dialog, FALSE);
  wchar_t text[64] = L"";
  if (menu == nullptr || LoadStringW(instance, IDS_ABOUTBOX, text, 64) == 0) return;
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(menu, MF_STRING, IDM_ABOUTBOX, text);
}

HICON AppIcon() {
  static HICON icon = LoadIconW(instance, MAKEINTRESOURCEW(IDR_MAINFRAME));
  return icon;
}

// Paints the icon in the middle of a minimised window.
void PaintMinimised(HWND dialog) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(dialog, &paint);
  SendMessageW(dialog, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  RECT client;
  GetClientRect(dialog, &client);
  const int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
  const int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
  DrawIcon(dc, x, y, AppIcon());
  EndPaint(dialog, &paint);
}

INT_PTR CALLBACK MainProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* main = reinterpret_cast<MainDialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG: {
      main = new MainDialog(dialog, *reinterpret_cast<Program*>(lParam));
      SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(main));
      AddAboutToSystemMenu(dialog);
      SendMessageW(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(AppIcon()));
      SendMessageW(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(AppIcon()));
      main->Presenter().Initialise();
      return TRUE;
    }
    case WM_DESTROY:
      SetWindowLongPtrW(dialog, DWLP_USER, 0);
      delete main;  // an attached automation object loses its link to it
      return FALSE;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == IDM_ABOUTBOX) {
        DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_ABOUTBOX), dialog, AboutProc, 0);
        return TRUE;
      }
      return FALSE;
    case WM_PAINT:
      if (!IsIconic(dialog)) return FALSE;
      PaintMinimised(dialog);
      return TRUE;
    case WM_QUERYDRAGICON:
      return reinterpret_cast<INT_PTR>(AppIcon());
    case WM_CLOSE:
      if (main != nullptr && main->Presenter().MayCloseDialog()) EndDialog(dialog, IDCANCEL);
      return TRUE;
    case WM_COMMAND: {
      if (main == nullptr || HIWORD(wParam) != BN_CLICKED) return FALSE;
      MainDialogPresenter& p = main->Presenter();
      switch (LOWORD(wParam)) {
        case IDC_CREATE_NEW: p.OnCreateNewFile(); return TRUE;
        case IDC_EDIT_EXISTING: p.LoadConfigFile(); return TRUE;
        case IDC_ADD_PRINTER: p.OnAddPrinter(); return TRUE;
        case IDC_DELETE_PRINTER: p.OnDeletePrinter(); return TRUE;
        case IDC_ADD_DRAWER: p.OnAddCashDrawer(); return TRUE;
        case IDC_DELETE_DRAWER: p.OnDeleteCashDrawer(); return TRUE;
        case IDC_SAVE: p.SaveConfigFile(); return TRUE;
        case IDC_CANCEL_EDIT: p.OnCancelEdit(); return TRUE;
        case IDOK:
        case IDCANCEL:
          if (p.MayCloseDialog()) EndDialog(dialog, LOWORD(wParam));
          return TRUE;
        default: return FALSE;
      }
    }
    default:
      return FALSE;
  }
}

}  // namespace

std::wstring ProgramPath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n < path.size()) return path.substr(0, n);
    path.resize(path.size() * 2);
  }
}

// Start-up: OLE for this thread, then the switches (an automation client's
// start makes the class object available, an ordinary start registers the
// server), then the main dialog as the only window. The program hosts no
// ActiveX controls, so there is no control container to enable.
int RunQuarvel(HINSTANCE hInstance) {
  instance = hInstance;
  if (FAILED(OleInitialize(nullptr))) {
    wchar_t text[256] = L"";
    LoadStringW(instance, IDS_OLE_INIT_FAILED, text, 256);
    MessageBoxW(nullptr, text, Widen(kApplicationName).c_str(), MB_OK);
    return 0;
  }
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_INTERNET_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  int result = 0;
  {
    Program program;
    AutomationServer server(program.state);
    const AutomationSwitches switches = ScanAutomationSwitches(ArgumentsOf(Narrow(GetCommandLineW())));
    if (switches.StartedByClient()) {
      program.state.lifetime.SetUserControl(false);
      server.RegisterClassObject();
    } else {
      RegisterServer(ProgramPath());  // without administrator rights the program runs all the same
    }
    result = static_cast<int>(DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_QUARVEL_DIALOG), nullptr, MainProc,
                                              reinterpret_cast<LPARAM>(&program)));
  }
  OleUninitialize();
  return result;
}

}  // namespace quarvel::win32

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) { return quarvel::win32::RunQuarvel(instance); }
