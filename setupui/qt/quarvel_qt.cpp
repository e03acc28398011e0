#include "quarvel_qt.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QIcon>
#include <QMessageBox>
#include <QPixmap>

#include "fixed_text.h"
#include "named_combo_accessible.h"

namespace quarvel::qt {

MainDialog::MainDialog()
    : window_(std::make_unique<TemplateDialog>(kIddQuarvelDialog, nullptr)),
      view_(*window_),
      presenter_(view_, *this) {
  window_->setWindowIcon(QIcon(QStringLiteral(":/quarvel.png")));
  window_->onClicked = [this](int id) { OnClicked(id); };
  window_->mayClose = [this] { return presenter_.MayCloseDialog(); };
  // Linux windows have no system menu to extend: the About entry is the
  // dialog's context menu.
  auto* about = new QAction(QString::fromUtf8(kIdsAboutbox), window_.get());  // the system menu's entry on Windows
  QObject::connect(about, &QAction::triggered, window_.get(), [this] { ShowAbout(); });
  window_->addAction(about);
  window_->setContextMenuPolicy(Qt::ActionsContextMenu);
  presenter_.Initialise();
}

MainDialog::~MainDialog() = default;

void MainDialog::OnClicked(int id) {
  switch (id) {
    case IDC_CREATE_NEW: presenter_.OnCreateNewFile(); break;
    case IDC_EDIT_EXISTING: presenter_.LoadConfigFile(); break;
    case IDC_ADD_PRINTER: presenter_.OnAddPrinter(); break;
    case IDC_DELETE_PRINTER: presenter_.OnDeletePrinter(); break;
    case IDC_ADD_DRAWER: presenter_.OnAddCashDrawer(); break;
    case IDC_DELETE_DRAWER: presenter_.OnDeleteCashDrawer(); break;
    case IDC_SAVE: presenter_.SaveConfigFile(); break;
    case IDC_CANCEL_EDIT: presenter_.OnCancelEdit(); break;
    case kIdOk:
      if (presenter_.MayCloseDialog()) window_->accept();
      break;
    default: break;
  }
  ShowFileInTitle();
}

void MainDialog::OpenFile(const QString& path) {
  presenter_.LoadConfigFile(QFile::encodeName(path).toStdString());
  ShowFileInTitle();
}

// "jpos.xml — JavaPOS Setup 1.xx" while a file is open.
void MainDialog::ShowFileInTitle() {
  const QString caption = QString::fromUtf8(kIddQuarvelDialog.caption);
  const std::string_view path = TextOf(presenter_.Path().text);
  const QString name = QFileInfo(QFile::decodeName(QByteArray(path.data(), static_cast<qsizetype>(path.size())))).fileName();
  window_->setWindowTitle(name.isEmpty() ? caption : name + QStringLiteral(" \u2014 ") + caption);
}

std::optional<std::string> MainDialog::ChooseFile(bool save) {
  QFileDialog dialog(window_.get());
  dialog.setOption(QFileDialog::DontUseNativeDialog);  // the same dialog everywhere, tests included
  dialog.setNameFilter(QStringLiteral("xml Files (*.xml)"));
  if (save) {
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("xml"));  // the overwrite question sees the file written
  } else {
    dialog.setFileMode(QFileDialog::ExistingFile);
  }
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return QFile::encodeName(dialog.selectedFiles().first()).toStdString();
}

void MainDialog::ShowMessage(std::string_view text, std::string_view caption) {
  QMessageBox box(QMessageBox::NoIcon, ToQt(caption), ToQt(text), QMessageBox::Ok, window_.get());
  box.exec();
}

DeviceDialog::DeviceDialog(SetupData& working, QWidget* parent)
    : window_(kIddJavaposSetup, parent), view_(window_), presenter_(working) {
  presenter_.Initialise(view_);
  window_.onSelectionChanged = [this](int id) {
    if (id == IDC_PORT_NAME) presenter_.OnPortSelectionChanged(view_);
  };
  window_.onClicked = [this](int id) {
    if (id == kIdCancel) {
      window_.reject();
      return;
    }
    std::string refusal;
    if (presenter_.OnOk(view_, refusal)) {
      window_.accept();
    } else {
      QMessageBox box(QMessageBox::Critical, QString::fromUtf8(kApplicationName), ToQt(refusal),
                      QMessageBox::Ok, &window_);
      box.exec();
    }
  };
}

bool MainDialog::RunDeviceDialog(SetupData& working) {
  DeviceDialog dialog(working, window_.get());
  return dialog.Window().exec() == QDialog::Accepted;
}

void MainDialog::HideMainDialog() { window_->hide(); }

void MainDialog::ShowAbout() {
  TemplateDialog about(kIddAboutbox, window_.get());
  about.onClicked = [&about](int) { about.accept(); };
  about.exec();
}

void PrepareApplication() {
  // The templates name Windows fonts; Liberation Sans has their metrics.
  QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"));
  QFont::insertSubstitution(QStringLiteral("System"), QStringLiteral("Liberation Sans"));
  QApplication::setApplicationName(QStringLiteral("quarvel"));
  QApplication::setApplicationDisplayName(QString::fromUtf8(kApplicationName));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/quarvel.png")));
  InstallNamedComboBoxAccessibility();
}

bool TakeScreenshots(const QString& dir) {
  bool ok = true;
  auto save = [&](QWidget& widget, const char* name) {
    widget.show();
    QApplication::processEvents();
    ok = widget.grab().save(dir + QStringLiteral("/linux-") + QString::fromLatin1(name) + ".png") && ok;
  };
  MainDialog main;
  save(main.Window(), "main-start");
  main.Presenter().OnCreateNewFile();
  save(main.Window(), "main-editing");
  for (DeviceKind kind : {DeviceKind::Printer, DeviceKind::CashDrawer}) {
    SetupData working = main.Presenter().Settings();
    working.editKind = kind;
    DeviceDialog device(working, &main.Window());
    device.View().Select(IDC_PORT_NAME, kTcpPortIndex);
    device.Presenter().OnPortSelectionChanged(device.View());
    save(device.Window(), kind == DeviceKind::Printer ? "device-printer-tcp" : "device-drawer-tcp");
  }
  return ok;
}

}  // namespace quarvel::qt
