// Serial ports from the browser: the COM-port choice, the local server, and shortcuts to a
// connected port.
#include <gtest/gtest.h>

#include <QComboBox>

#include "app/browser/shortcut_item.h"
#include "app/dialogs/com_port_dlg.h"
#include "app/frame/command_ids.h"
#include "browser_program.h"

namespace {

using browsertest::Answers;
using browsertest::ChooseFromNextMenu;
using browsertest::Program;

TEST(BrowserSerial, OneFreePortConnectsWithoutAskingAndItsShortcutIsSavedOnceAndDeleted) {
    // COM0 to COM7 are taken, the local server takes COM8 at start: COM9 is the one left.
    Program program(R"({"adapter": {"reserved_ports": [0, 1, 2, 3, 4, 5, 6, 7]},
        "devices": [{"name": "Phone", "address": "00:00:00:00:00:02", "class": "0x214",
                     "services": [{"profile": "spp"}, {"profile": "opp"}]}]})");
    ASSERT_TRUE(program.Search(1));
    program.DoubleClick(program.RowOf("Phone"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return program.Rows() == 2; }, 10000));
    Answers answers;
    const int serialRow = program.WaitForRow("Serial Port");
    program.DoubleClick(serialRow);
    ASSERT_TRUE(answers.WaitFor("Connection succeeded on communication port COM9:"));
    EXPECT_EQ(answers.asked.size(), 1u) << "no port to choose";
    ASSERT_TRUE(QTest::qWaitFor([&] { return program.Overlay(program.RowOf("Serial Port")) == 2; }, 10000));

    program.View()->SetSelectedItem(program.View()->ShownItem(program.RowOf("Serial Port")));
    program.View()->OnCommand(cmd::kCreateShortcut);
    program.View()->OnCommand(cmd::kCreateShortcut);
    EXPECT_EQ(std::vector<QString>(answers.asked.begin() + 1, answers.asked.end()), (std::vector<QString>{"Shortcut succesfully saved.", "Shortcut already saved."}));
    // A service without a port: no port text.
    program.View()->SetSelectedItem(program.View()->ShownItem(program.RowOf("Object Push")));
    program.View()->OnCommand(cmd::kCreateShortcut);

    program.View()->OnCommand(cmd::kShortcuts);
    EXPECT_EQ(program.Texts(), (QStringList{"Serial Port on  COM 9 Phone", "Object Push on Phone"}));
    EXPECT_EQ(program.Image(0), 7);
    EXPECT_EQ(program.Overlay(0), 2);  // the real service's state
    EXPECT_EQ(ShortcutName("Serial Port", 3, "Phone"), "Serial Port on  COM 3 Phone");
    EXPECT_EQ(ShortcutName("Serial Port", 0, "Phone"), "Serial Port on Phone");

    // Deleting from the menu: the list is rebuilt under the running command, whose item stays.
    answers.asked.clear();
    answers.answer = [](QDialog& dialog) {
        auto* box = qobject_cast<QMessageBox*>(&dialog);
        return box && box->text().startsWith("Do you") ? int(QMessageBox::Yes) : int(QMessageBox::Ok);
    };
    ChooseFromNextMenu("Delete");
    program.View()->ContextMenuAt(1, program.List()->viewport()->mapToGlobal(QPoint(1, 1)));
    EXPECT_EQ(answers.asked, (std::vector<QString>{"Do you really want to delete this shortcut?", "Shortcut deleted."}));
    EXPECT_EQ(program.Texts(), QStringList{"Serial Port on  COM 9 Phone"});
}

TEST(BrowserSerial, LocalServerAlwaysAsksForThePortAndTheFirstIsPreselected) {
    // Free: COM2, COM4 and COM7; the server holds COM2 from the start.
    Program program(R"({"adapter": {"reserved_ports": [0, 1, 3, 5, 6, 8, 9]}})");
    program.View()->OnCommand(cmd::kLocalServices);
    ASSERT_EQ(program.Texts(), QStringList{"Serial Port"});
    EXPECT_EQ(program.Image(0), 7);
    EXPECT_EQ(program.Overlay(0), 2);
    program.DoubleClick(0);  // stops it
    program.View()->OnUpdate();
    EXPECT_EQ(program.Overlay(0), 0);

    Answers answers;
    QStringList entries;
    int preselected = -1;
    answers.answer = [&](QDialog& dialog) {
        auto* ports = qobject_cast<CComPortDlg*>(&dialog);
        if (!ports) return int(QMessageBox::Ok);
        for (int i = 0; i < ports->PortList()->count(); ++i) entries << ports->PortList()->itemText(i);
        preselected = ports->PortList()->currentIndex();
        if (ports->ChosenPort() != 2) return int(QDialog::Rejected);
        ports->PortList()->setCurrentIndex(2);
        return int(QDialog::Accepted);
    };
    program.DoubleClick(0);
    ASSERT_TRUE(answers.WaitFor("Serial Port successfully loaded on port COM7:"));
    EXPECT_EQ(answers.asked.front(), "Select the COM Port");
    EXPECT_EQ(entries, (QStringList{"COM2:", "COM4:", "COM7:"}));
    EXPECT_EQ(preselected, 0);
}

}  // namespace
