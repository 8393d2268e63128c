// The browser's list as a model: a device that changes updates its own row and nothing else,
// the selection stays, each entry tells its facts to tooltips and screen readers; the keyboard
// opens, deletes and brings up the context menu.
#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QLineEdit>
#include <QSignalSpy>

#include "app/browser/nimbrel_view.h"
#include "app/dialogs/pin_dlg.h"
#include "app/frame/command_ids.h"
#include "browser_program.h"
#include "sim/radio.h"

namespace {

using browsertest::Answers;
using browsertest::Program;

TEST(BrowserModel, APairedDeviceChangesItsRowOnlyTheSelectionStaysAndItsTooltipSaysSo) {
    Program program(R"({"devices": [
        {"name": "Phone", "address": "00:00:00:00:00:02", "class": "0x20c", "pin": "1234"},
        {"name": "Watch", "address": "00:00:00:00:00:07", "class": "0x704"}]})");
    QAbstractItemModelTester tester(program.Model(), QAbstractItemModelTester::FailureReportingMode::Warning);
    ASSERT_TRUE(program.Search(2));
    const int phone = program.RowOf("Phone");
    program.View()->SetSelectedItem(program.View()->ShownItem(program.RowOf("Watch")));
    const QString before = program.Model()->index(phone, 0).data(Qt::ToolTipRole).toString();
    EXPECT_TRUE(before.contains("Address: 00:00:00:00:00:02")) << before.toStdString();
    EXPECT_TRUE(before.contains("Class: PHONE (0x00020c)")) << before.toStdString();
    EXPECT_TRUE(before.contains("Paired: no")) << before.toStdString();
    EXPECT_FALSE(program.Model()->index(phone, 0).data(Qt::AccessibleDescriptionRole).toString().isEmpty());

    QSignalSpy resets(program.Model(), &QAbstractItemModel::modelReset);
    QSignalSpy inserted(program.Model(), &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(program.Model(), &QAbstractItemModel::rowsRemoved);
    QSignalSpy changed(program.Model(), &QAbstractItemModel::dataChanged);
    Answers answers;
    answers.answer = [](QDialog& dialog) {
        if (auto* pin = qobject_cast<CPinDlg*>(&dialog)) pin->PinEdit()->setText("1234");
        return int(QDialog::Accepted);
    };
    sim::Radio::Instance().RaisePinRequest(0x02);
    ASSERT_TRUE(QTest::qWaitFor([&] { return program.Overlay(phone) == 1; }, 10000));
    program.View()->OnUpdate();
    EXPECT_EQ(resets.count() + inserted.count() + removed.count(), 0) << "nothing rebuilt";
    ASSERT_GE(changed.count(), 1);
    for (const QList<QVariant>& change : changed) EXPECT_EQ(change[0].toModelIndex().row(), phone);
    EXPECT_TRUE(program.Model()->index(phone, 0).data(Qt::ToolTipRole).toString().contains("Paired: yes"));
    EXPECT_EQ(program.View()->SelectedItem(), program.View()->ShownItem(program.RowOf("Watch")));
    EXPECT_EQ(program.List()->currentIndex().row(), program.RowOf("Watch"));
    EXPECT_EQ(program.List()->accessibleName(), "Devices found");
}

TEST(BrowserModel, EnterOpensDeleteDeletesAShortcutAndTheMenuKeyOpensTheMenu) {
    Program program(R"({"devices": [{"name": "Phone", "address": "00:00:00:00:00:02", "class": "0x214",
                                     "services": [{"profile": "opp"}]}]})");
    ASSERT_TRUE(program.Search(1));
    program.List()->setFocus();
    program.List()->setCurrentIndex(program.Model()->index(0, 0));
    QTest::keyClick(program.List(), Qt::Key_Return);
    ASSERT_TRUE(program.WaitForTexts({"Object Push"}));
    EXPECT_EQ(program.List()->accessibleName(), "Services of Phone");

    // Moving with the keys selects; the Menu key opens the menu of the entry moved to.
    QTest::keyClick(program.List(), Qt::Key_Home);
    EXPECT_EQ(program.View()->SelectedItem(), program.View()->ShownItem(0));
    Answers answers;
    browsertest::ChooseFromNextMenu("Create Shortcut");
    QTest::keyClick(program.List(), Qt::Key_Menu);
    program.View()->OnCommand(cmd::kShortcuts);
    ASSERT_TRUE(program.WaitForTexts({"Object Push on Phone"}));

    program.List()->setCurrentIndex(program.Model()->index(0, 0));
    answers.answer = [](QDialog&) { return int(QMessageBox::Yes); };
    QTest::keyClick(program.List(), Qt::Key_Delete);
    EXPECT_TRUE(answers.WaitFor("Do you really want to delete this shortcut?"));
    EXPECT_TRUE(program.WaitForTexts({}));

    // Shift+F10 on the empty list of shortcuts: there is no menu to open.
    QTest::keyClick(program.List(), Qt::Key_F10, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
}

}  // namespace
