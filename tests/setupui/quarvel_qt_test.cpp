// quarvel's Qt windows driven as a technician drives them, on the offscreen
// platform: clicks on the real buttons, typing into the real fields, the
// file dialogs and message boxes answered as they open.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <functional>

#include "ip_address_edit.h"
#include "jpos_reader.h"
#include "quarvel_qt.h"
#include "../support/temp_dir.h"

namespace quarvel::qt {

QObject* pendingAnswers = nullptr;  // the answers waiting for their window; a test ends with none left

namespace {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

std::string Golden(const std::string& name) { return ReadBytes(std::string(QUARVEL_GOLDEN_DIR) + "/" + name); }

// Runs `act` on the next modal window other than `under` once it shows.
void OnNextModal(std::function<void(QWidget*)> act, QWidget* under = nullptr) {
  auto* timer = new QTimer(pendingAnswers);
  QObject::connect(timer, &QTimer::timeout, [timer, act, under] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || modal == under || !modal->isVisible()) return;
    timer->stop();
    timer->setParent(nullptr);
    timer->deleteLater();
    act(modal);
  });
  timer->start(10);
}

template <typename T>
T* Get(QWidget* dialog, int id) {
  auto* t = dynamic_cast<TemplateDialog*>(dialog);
  return t == nullptr ? nullptr : qobject_cast<T*>(t->Control(id));
}

void Click(QWidget* dialog, int id) { QTest::mouseClick(Get<QPushButton>(dialog, id), Qt::LeftButton); }

void Type(QLineEdit* field, const QString& text) {
  field->selectAll();
  QTest::keyClicks(field, text);
}

// Picks an entry of a list as a click in its drop-down does.
void Choose(QWidget* dialog, int id, const QString& entry) {
  auto* list = Get<QComboBox>(dialog, id);
  const int index = list->findText(entry);
  ASSERT_GE(index, 0) << entry.toStdString();
  list->setCurrentIndex(index);
  emit list->activated(index);
}

// Closes the next message box over `under`, handing back its text.
void AnswerMessage(QString* text, QWidget* under, QMessageBox::StandardButton answer = QMessageBox::Ok) {
  OnNextModal([text, answer](QWidget* w) {
    auto* box = qobject_cast<QMessageBox*>(w);
    ASSERT_NE(box, nullptr);
    *text = box->text();
    QTest::mouseClick(box->button(answer), Qt::LeftButton);
  }, under);
}

// Answers the next file dialog with `path` typed into its name field; a
// message box that follows is answered with `answer` and its text kept.
void AnswerFileDialog(const std::string& path, QString* message = nullptr,
                      QMessageBox::StandardButton answer = QMessageBox::Ok) {
  OnNextModal([=](QWidget* w) {
    auto* dialog = qobject_cast<QFileDialog*>(w);
    ASSERT_NE(dialog, nullptr);
    if (message != nullptr) AnswerMessage(message, dialog, answer);
    dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(QString::fromStdString(path));
    // What the Open / Save button does, whether or not the dialog's folder
    // listing has caught up with the typing yet.
    QMetaObject::invokeMethod(dialog, "accept");
  });
}

class QuarvelWindow : public ::testing::Test {
 protected:
  void SetUp() override { main.Window().show(); }
  void TearDown() override {
    EXPECT_TRUE(pendingAnswers->children().isEmpty()) << "a window that was to be answered never opened";
    qDeleteAll(pendingAnswers->children());
  }
  bool Visible(int id) { return Get<QWidget>(&main.Window(), id)->isVisible(); }
  QString Caption(int id) { return Get<QPushButton>(&main.Window(), id)->text(); }

  // Runs the device dialog from `button`, with `fill` acting on it before OK.
  void EditDevice(int button, const std::function<void(QWidget*)>& fill, int close = kIdOk) {
    OnNextModal([fill, close](QWidget* d) {
      fill(d);
      Click(d, close);
    }, &main.Window());
    Click(&main.Window(), button);
  }

  MainDialog main;
  TempDir dir;
};

// Create new, a TCP/IP printer and a COM3 drawer, saved: the writer's golden file.
TEST_F(QuarvelWindow, CreateNewWithTcpPrinterAndCom3Drawer) {
  Click(&main.Window(), IDC_CREATE_NEW);
  EXPECT_TRUE(Visible(IDC_XML_GROUP));
  EXPECT_FALSE(Visible(IDC_SAVE));
  EditDevice(IDC_ADD_PRINTER, [](QWidget* d) {
    EXPECT_EQ(d->objectName(), "IDD_JAVAPOS_SETUP");
    EXPECT_EQ(d->findChild<QComboBox*>("IDC_PORT_NAME"), Get<QComboBox>(d, IDC_PORT_NAME));  // named for other drivers
    Choose(d, IDC_PORT_NAME, "TCP/IP");
    EXPECT_TRUE(Get<QWidget>(d, IDC_IP_ADDRESS)->isVisible());
    EXPECT_FALSE(Get<QWidget>(d, IDC_BAUD_RATE)->isEnabled());
  });
  EXPECT_EQ(Caption(IDC_ADD_PRINTER), "Modify Printer Device");
  EditDevice(IDC_ADD_DRAWER, [](QWidget* d) {
    Choose(d, IDC_PORT_NAME, "COM3");
    EXPECT_FALSE(Get<QWidget>(d, IDC_IP_ADDRESS)->isVisible());
    Choose(d, IDC_BAUD_RATE, "19200");
    Choose(d, IDC_PIN_NUMBER, "5");
  });
  ASSERT_TRUE(Visible(IDC_SAVE));
  // "jpos" means jpos.xml, which exists: the dialog asks before replacing it.
  WriteBytes(dir.File("jpos.xml"), "old");
  QString question;
  AnswerFileDialog(dir.File("jpos"), &question, QMessageBox::Yes);
  Click(&main.Window(), IDC_SAVE);
  EXPECT_TRUE(question.contains("jpos.xml")) << question.toStdString();
  EXPECT_EQ(ReadBytes(dir.File("jpos.xml")), Golden("both_tcp_com3.xml"));
  EXPECT_TRUE(Visible(IDC_CREATE_NEW));  // back to the start view
}

// Edit existing, change the drawer's pulse, delete the printer, save.
TEST_F(QuarvelWindow, EditExistingModifyDrawerDeletePrinter) {
  const std::string path = dir.File("jpos.xml");
  WriteBytes(path, Golden("both_tcp_com3.xml"));
  AnswerFileDialog(path);
  Click(&main.Window(), IDC_EDIT_EXISTING);
  EXPECT_EQ(Caption(IDC_ADD_DRAWER), "Modify CashDrawer Device");
  EditDevice(IDC_ADD_DRAWER, [](QWidget* d) {
    EXPECT_EQ(Get<QComboBox>(d, IDC_PORT_NAME)->currentText(), "COM3");
    Type(Get<QLineEdit>(d, IDC_PULSE_ON), "150");
  });
  Click(&main.Window(), IDC_DELETE_PRINTER);
  EXPECT_EQ(Caption(IDC_ADD_PRINTER), "Add Printer Device");
  Click(&main.Window(), IDC_SAVE);  // to the file it came from
  SetupData read;
  ASSERT_TRUE(ReadConfigText(ReadBytes(path), read).empty());
  EXPECT_EQ(read.printerPresent, 0);
  EXPECT_EQ(read.drawerPresent, 1);
  EXPECT_EQ(read.drawer.pulseOnTime, 150);
  EXPECT_EQ(read.drawer.portIndex, 2);
}

// Cancelling changes nothing: the device dialog, the file dialog, the edit.
TEST_F(QuarvelWindow, CancelLeavesEverythingAsItWas) {
  Click(&main.Window(), IDC_CREATE_NEW);
  EditDevice(IDC_ADD_PRINTER, [](QWidget* d) { Choose(d, IDC_PORT_NAME, "COM2"); }, kIdCancel);
  EXPECT_EQ(Caption(IDC_ADD_PRINTER), "Add Printer Device");
  EXPECT_EQ(main.Presenter().Settings().printerPresent, 0);
  EditDevice(IDC_ADD_PRINTER, [](QWidget*) {});
  OnNextModal([](QWidget* w) { qobject_cast<QDialog*>(w)->reject(); });
  Click(&main.Window(), IDC_SAVE);  // Save As cancelled: still editing
  EXPECT_TRUE(Visible(IDC_SAVE));
  Click(&main.Window(), IDC_CANCEL_EDIT);
  EXPECT_TRUE(Visible(IDC_CREATE_NEW));
  EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
}

// A port typed rather than chosen is refused with a message; the dialog stays.
TEST_F(QuarvelWindow, RefusedOkKeepsTheDeviceDialogOpen) {
  Click(&main.Window(), IDC_CREATE_NEW);
  QString refusal;
  bool stillOpen = false;
  OnNextModal([&](QWidget* d) {
    Type(Get<QComboBox>(d, IDC_PORT_NAME)->lineEdit(), "COM9");
    AnswerMessage(&refusal, d);
    Click(d, kIdOk);
    stillOpen = d->isVisible();
    Click(d, kIdCancel);
  }, &main.Window());
  Click(&main.Window(), IDC_ADD_PRINTER);
  EXPECT_EQ(refusal, "Invalid argument: choose a port from the Port Name list.");
  EXPECT_TRUE(stillOpen);
  EXPECT_EQ(main.Presenter().Settings().printerPresent, 0);
}

// A save that fails says why and keeps the editing state.
TEST_F(QuarvelWindow, FailedSaveKeepsTheState) {
  Click(&main.Window(), IDC_CREATE_NEW);
  EditDevice(IDC_ADD_PRINTER, [](QWidget*) {});
  QString message;
  AnswerFileDialog(dir.File("missing/jpos.xml"), &message);
  Click(&main.Window(), IDC_SAVE);
  EXPECT_TRUE(message.startsWith("Open File Failed!!!\n\n")) << message.toStdString();
  EXPECT_TRUE(Visible(IDC_SAVE));
  EXPECT_EQ(Caption(IDC_ADD_PRINTER), "Modify Printer Device");
}

// The About entry is the dialog's context menu; Escape closes the dialog.
TEST_F(QuarvelWindow, AboutBoxAndEscape) {
  QString title;
  OnNextModal([&title](QWidget* about) {
    title = about->windowTitle();
    Click(about, kIdOk);
  }, &main.Window());
  ASSERT_EQ(main.Window().actions().size(), 1);
  EXPECT_EQ(main.Window().actions()[0]->text(), "&About Quarvel...");
  main.Window().actions()[0]->trigger();
  EXPECT_EQ(title, "About Quarvel");
  QTest::keyClick(&main.Window(), Qt::Key_Escape);
  EXPECT_FALSE(main.Window().isVisible());
}

// The device dialog's tab order is the template's.
TEST_F(QuarvelWindow, DeviceDialogTabOrderFollowsTheTemplate) {
  SetupData working = main.Presenter().Settings();
  working.editKind = DeviceKind::CashDrawer;
  DeviceDialog device(working, &main.Window());
  std::vector<QWidget*> expected;
  for (const TemplateControl& c : kIddJavaposSetup.controls) {
    QWidget* w = device.Window().Control(c.id);
    if (w != nullptr && c.kind != ControlKind::IpAddress && (w->focusPolicy() & Qt::TabFocus)) expected.push_back(w);
  }
  std::vector<QWidget*> chain;
  for (QWidget* w = expected.front()->nextInFocusChain(); w != expected.front(); w = w->nextInFocusChain()) {
    if (std::find(expected.begin(), expected.end(), w) != expected.end()) chain.push_back(w);
  }
  chain.insert(chain.begin(), expected.front());
  EXPECT_EQ(chain, expected);
}

// The address typed as a technician types it, from the first part of a field
// holding 192.168.0.192, each key to whichever part has the focus then: "\b"
// is Backspace; then `pasted`, if any, pasted into the part with the focus.
TEST_F(QuarvelWindow, IpAddressTypedPastedAndRefused) {
  struct Case {
    const char* typed;
    const char* pasted;
    std::array<uint8_t, 4> expected;
    const char* message;
  } cases[] = {
      {"127.0.0.1", nullptr, {127, 0, 0, 1}, nullptr},  // a third digit moves on, the "." after it is no part
      {"10..2", nullptr, {10, 2, 0, 192}, nullptr},
      {"1.2\b\b0.7", nullptr, {10, 7, 0, 192}, nullptr},  // Backspace at a part's start goes back
      {"", "172.16.5.4", {172, 16, 5, 4}, nullptr},
      {"8.", " 9.10 ", {8, 9, 10, 192}, nullptr},
      {"999", nullptr, {255, 168, 0, 192}, "999 is not a valid entry. Please specify a value between 0 and 255."},
      {"", "1.2.300.4", {1, 2, 255, 4}, "300 is not a valid entry. Please specify a value between 0 and 255."},
  };
  for (const Case& c : cases) {
    SetupData working = main.Presenter().Settings();
    DeviceDialog device(working, &main.Window());
    device.View().Select(IDC_PORT_NAME, kTcpPortIndex);
    device.Presenter().OnPortSelectionChanged(device.View());
    device.Window().show();
    device.Window().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&device.Window()));
    auto* ip = dynamic_cast<IpAddressEdit*>(device.Window().Control(IDC_IP_ADDRESS));
    ASSERT_NE(ip, nullptr);
    ip->setFocus();  // as a tool asks for it: the first part, its text selected
    QString message;
    if (c.message != nullptr) AnswerMessage(&message, &device.Window());
    for (const char* k = c.typed; *k != 0; ++k) {
      QWidget* focused = device.Window().focusWidget();
      if (*k == '\b') QTest::keyClick(focused, Qt::Key_Backspace);
      else QTest::keyClick(focused, *k);
    }
    if (c.pasted != nullptr) {
      QApplication::clipboard()->setText(QString::fromLatin1(c.pasted));
      QTest::keySequence(device.Window().focusWidget(), QKeySequence::Paste);
    }
    EXPECT_EQ(device.View().Address(IDC_IP_ADDRESS), c.expected) << c.typed << c.pasted;
    if (c.message != nullptr) {
      EXPECT_EQ(message, c.message);
      const QLineEdit* refused = qobject_cast<QLineEdit*>(device.Window().focusWidget());
      ASSERT_NE(refused, nullptr);
      EXPECT_EQ(refused->selectedText(), "255");  // the part keeps the focus, ready for another try
    }
  }
}

// Each field of the device dialog is named by its label, which is its buddy
// and has a mnemonic of its own, as assistive technology and outside tools see it.
TEST_F(QuarvelWindow, DeviceDialogFieldsAreNamedByTheirLabels) {
  SetupData working = main.Presenter().Settings();
  working.editKind = DeviceKind::CashDrawer;
  DeviceDialog device(working, &main.Window());
  const std::pair<int, const char*> names[] = {
      {IDC_DEVICE_TYPE, "Device Type"}, {IDC_LOGICAL_NAME, "Logical Name"}, {IDC_PORT_NAME, "Port Name"},
      {IDC_BAUD_RATE, "BaudRate"},      {IDC_IP_ADDRESS, "IP"},             {IDC_PORT_NUMBER, "Port Number"},
      {IDC_PIN_NUMBER, "Pin Number"},   {IDC_PULSE_ON, "Pulse On Time"},    {IDC_PULSE_OFF, "Pulse Off Time"}};
  QList<QKeySequence> mnemonics;
  for (const auto& [id, name] : names) {
    QWidget* field = device.Window().Control(id);
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(field);
    EXPECT_EQ(accessible->text(QAccessible::Name), name);
    if (auto* list = qobject_cast<QComboBox*>(field)) {  // a drop-down's value is its own
      EXPECT_EQ(accessible->text(QAccessible::Value), list->currentText()) << name;
      ASSERT_EQ(accessible->childCount(), 2) << name;
      EXPECT_EQ(accessible->child(1)->object(), list->lineEdit()) << name;
      EXPECT_EQ(accessible->child(1)->text(QAccessible::Name), name);
    }
    const auto labels = accessible->relations(QAccessible::Label);
    ASSERT_EQ(labels.size(), 1) << name;
    EXPECT_TRUE(labels[0].first->text(QAccessible::Name).startsWith(name)) << name;
    const auto* label = qobject_cast<QLabel*>(labels[0].first->object());
    const QKeySequence mnemonic = QKeySequence::mnemonic(label->text());
    EXPECT_FALSE(mnemonic.isEmpty()) << name;
    EXPECT_FALSE(mnemonics.contains(mnemonic)) << name;
    mnemonics.push_back(mnemonic);
  }
  auto* ip = dynamic_cast<IpAddressEdit*>(device.Window().Control(IDC_IP_ADDRESS));
  EXPECT_EQ(QAccessible::queryAccessibleInterface(ip->Field(2))->text(QAccessible::Name), "IP");
}

// quarvel FILE edits the file as Edit Existing does; the title names it.
TEST_F(QuarvelWindow, OpenedFileIsEditedAndNamedInTheTitle) {
  const std::string path = dir.File("till.xml");
  WriteBytes(path, Golden("printer_lpt1_dot.xml"));
  EXPECT_EQ(main.Window().windowTitle(), "JavaPOS Setup 1.xx");
  main.OpenFile(QString::fromStdString(path));
  EXPECT_EQ(main.Window().windowTitle(), "till.xml \u2014 JavaPOS Setup 1.xx");
  EXPECT_EQ(Caption(IDC_ADD_PRINTER), "Modify Printer Device");
  Click(&main.Window(), IDC_DELETE_PRINTER);
  Click(&main.Window(), IDC_SAVE);
  EXPECT_EQ(ReadBytes(path), Golden("none.xml"));  // no device left: the empty document
  EXPECT_EQ(main.Window().windowTitle(), "JavaPOS Setup 1.xx");
}

}  // namespace
}  // namespace quarvel::qt

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  quarvel::qt::PrepareApplication();
  QObject answers;
  quarvel::qt::pendingAnswers = &answers;
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
