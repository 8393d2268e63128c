// The browser on the simulated radio: search results with their pictures, a device's
// services, pairing both ways with the paired overlay.
#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QLineEdit>
#include <algorithm>

#include "app/browser/device_class.h"
#include "app/browser/distant_device_item.h"
#include "app/browser/shortcut_item.h"
#include "app/dialogs/pairing_dlg.h"
#include <QPushButton>
#include "app/dialogs/pin_dlg.h"
#include "app/frame/command_ids.h"
#include "browser_program.h"
#include "sim/radio.h"

namespace {

using browsertest::Answers;
using browsertest::Program;

TEST(BrowserDevices, SearchShowsPicturesAndOverlaysOnceAndADoubleClickShowsTheServices) {
    Program program(R"({"devices": [
        {"name": "Laptop", "address": "00:00:00:00:00:01", "class": "0x10C"},
        {"name": "Phone", "address": "00:00:00:00:00:02", "class": "0x214",
         "services": [{"profile": "spp"}, {"profile": "ftp"}, {"profile": "opp"}, {"profile": "dun"},
                      {"profile": "headset"}]},
        {"name": "Speaker", "address": "00:00:00:00:00:03", "class": "0x404"},
        {"name": "Odd", "address": "00:00:00:00:00:04", "class": "0x118"},
        {"name": "Printer", "address": "00:00:00:00:00:05", "class": "0x500"}]})");
    ASSERT_TRUE(program.Search(5)) << program.Texts().join(", ").toStdString();
    struct Expected {
        const char* name;
        int image;
        const char* label;
        int overlay;
    };
    const Expected expected[] = {{"Laptop", 2, "LAPTOP", 0}, {"Phone", 4, "PHONE", 0}, {"Speaker", 6, "AUDIO", 0},
                                 {"Odd", 0, "UNKNOWN", 0},   {"Printer", 0, "UNKNOWN", 0}};
    for (const Expected& device : expected) {
        const int row = program.WaitForRow(device.name);
        ASSERT_GE(row, 0) << device.name << ": " << program.Texts().join(", ").toStdString();
        EXPECT_EQ(program.Image(row), device.image) << device.name;
        EXPECT_EQ(program.Overlay(row), device.overlay) << device.name;
        EXPECT_EQ(device_class::LabelOf(program.View()->ShownItem(row)->GetImage()), device.label);
    }
    EXPECT_TRUE(device_class::LabelOf(7).isEmpty());

    // Updates and a second search command add nothing: the search has found its devices.
    program.View()->OnUpdate();
    program.View()->OnUpdate();
    program.View()->OnCommand(cmd::kSearchDevices);
    EXPECT_EQ(program.Rows(), 5);

    program.DoubleClick(program.RowOf("Phone"));
    EXPECT_EQ(program.View()->GetMode(), CNimbrelView::kServices);
    EXPECT_EQ(program.View()->CurrentDeviceName(), "Phone");
    // Four services the browser knows; the headset gets no entry.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return program.Local()->getDeviceDistant(2)->GetFoundServices() && program.Rows() == 4; },
        10000))
        << program.Texts().join(", ").toStdString();
    program.View()->OnUpdate();
    std::vector<int> images;
    for (int row = 0; row < program.Rows(); ++row) images.push_back(program.Image(row));
    std::sort(images.begin(), images.end());
    EXPECT_EQ(images, (std::vector<int>{7, 8, 9, 11}));

    // Refresh searches the services again, with new items for the new services only.
    program.View()->OnCommand(cmd::kRefresh);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return program.Local()->getDeviceDistant(2)->GetFoundServices() && program.Rows() == 4; },
        10000));
}

TEST(BrowserDevices, PinDialogPairsBothWaysAndCancellingARequestRefusesIt) {
    Program program(R"({"devices": [
        {"name": "Phone", "address": "00:00:00:00:00:02", "class": "0x214", "pin": "1234"},
        {"name": "Watch", "address": "00:00:00:00:00:07", "class": "0x704", "pin": "0000"}]})");
    ASSERT_TRUE(program.Search(2));
    Answers answers;
    QString pin = "1234";
    answers.answer = [&](QDialog& dialog) {
        auto* pinDialog = qobject_cast<CPinDlg*>(&dialog);
        if (!pinDialog) return int(QMessageBox::Ok);
        EXPECT_TRUE(pinDialog->PinEdit()->text().isEmpty());
        EXPECT_EQ(pinDialog->PinEdit()->echoMode(), QLineEdit::Password);
        // The device is named in the body too, where a narrow title bar cannot cut it.
        EXPECT_GT(dialog.minimumWidth(), QFontMetrics(dialog.font()).horizontalAdvance(dialog.windowTitle()));
        const QString device = dialog.windowTitle().section(' ', -1);
        EXPECT_TRUE(pinDialog->Prompt().startsWith(device + " (00:00:00:00:00:0") ||
                    pinDialog->Prompt().startsWith("Enter the PIN to pair with " + device + " (00:00:00:00:00:0"))
            << pinDialog->Prompt().toStdString();
        pinDialog->PinEdit()->setText(pin);
        return pin.isEmpty() ? int(QDialog::Rejected) : int(QDialog::Accepted);
    };

    sim::Radio::Instance().RaisePinRequest(0x02);
    ASSERT_TRUE(answers.WaitFor("Pair request Phone"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return program.Overlay(program.RowOf("Phone")) == 1; }, 10000));

    pin.clear();  // the user closes the dialog
    sim::Radio::Instance().RaisePinRequest(0x07);
    ASSERT_TRUE(answers.WaitFor("Pair request Watch"));
    EXPECT_EQ(sim::Radio::Instance().RefusePinRequest(0x07), static_cast<DWORD>(ERROR_NOT_FOUND));  // refused already
    EXPECT_FALSE(program.Local()->getDeviceDistant(0x07)->IsPaired());

    // A request from a device the browser has no item for is left alone.
    const size_t asked = answers.asked.size();
    program.View()->OnViewPairRequest(0x0BADBAD);
    EXPECT_EQ(answers.asked.size(), asked);

    // Pairing from the menu.
    pin = "0000";
    program.View()->SetSelectedItem(program.View()->ShownItem(program.RowOf("Watch")));
    program.View()->OnCommand(cmd::kPair);
    ASSERT_TRUE(answers.WaitFor("Pair Watch"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return program.Overlay(program.RowOf("Watch")) == 1; }, 10000));
}

TEST(BrowserDevices, ADeviceThatAsksToConfirmAPasskeyGetsAYesOrNoQuestionShowingIt) {
    Program program(R"({"devices": [
        {"name": "Phone", "address": "00:00:00:00:00:02", "class": "0x214", "passkey": 4711},
        {"name": "Watch", "address": "00:00:00:00:00:07", "class": "0x704", "passkey": 99}]})");
    ASSERT_TRUE(program.Search(2));
    Answers answers;
    QStringList questions;
    answers.answer = [&](QDialog& dialog) {
        auto* box = qobject_cast<QMessageBox*>(&dialog);
        EXPECT_NE(box, nullptr) << "no PIN is asked of a device that confirms a passkey";
        if (!box) return int(QDialog::Rejected);
        questions << box->text();
        return int(dialog.windowTitle() == "Pair request Phone" ? QMessageBox::Yes : QMessageBox::No);
    };
    sim::Radio::Instance().RaisePinRequest(0x02);
    ASSERT_TRUE(QTest::qWaitFor([&] { return program.Overlay(program.RowOf("Phone")) == 1; }, 10000));
    sim::Radio::Instance().RaisePinRequest(0x07);
    ASSERT_TRUE(QTest::qWaitFor([&] { return questions.size() == 2; }, 10000));
    EXPECT_EQ(sim::Radio::Instance().RefusePinRequest(0x07), static_cast<DWORD>(ERROR_NOT_FOUND));  // answered no
    EXPECT_FALSE(program.Local()->getDeviceDistant(0x07)->IsPaired());
    ASSERT_EQ(questions.size(), 2);
    EXPECT_TRUE(questions[0].contains("004711")) << questions[0].toStdString();
    EXPECT_TRUE(questions[1].contains("000099")) << questions[1].toStdString();
}

TEST(BrowserDevices, PairingRunsBesideTheWindowCancelForgetsItsOutcomeAndAFailureIsTold) {
    Program program(R"({"timing": {"pair_ms": 200}, "devices": [
        {"name": "Phone", "address": "00:00:00:00:00:02", "class": "0x214", "pin": "1234"},
        {"name": "Watch", "address": "00:00:00:00:00:07", "class": "0x704", "pin": "0000"},
        {"name": "Lock", "address": "00:00:00:00:00:09", "class": "0x704", "pairing": "refuse"}]})");
    ASSERT_TRUE(program.Search(3));
    Answers answers;
    answers.answer = [](QDialog& dialog) {
        if (auto* pinDialog = qobject_cast<CPinDlg*>(&dialog)) pinDialog->PinEdit()->setText(dialog.windowTitle() == "Pair Phone" ? "1234" : "0000");
        return qobject_cast<QMessageBox*>(&dialog) ? int(QMessageBox::Ok) : int(QDialog::Accepted);
    };
    auto pair = [&](const QString& name) {
        auto* item = static_cast<CDistantDeviceItem*>(program.View()->ShownItem(program.RowOf(name)));
        program.View()->SetSelectedItem(item);
        program.View()->OnCommand(cmd::kPair);
        return item;
    };

    // The command returns while the engine pairs; the outcome closes the dialog.
    CDistantDeviceItem* phone = pair("Phone");
    ASSERT_NE(phone->PairingDialog(), nullptr);
    EXPECT_TRUE(phone->PairingDialog()->isVisible());
    EXPECT_EQ(phone->PairingDialog()->windowTitle(), "Pair Phone");
    EXPECT_TRUE(QTest::qWaitFor([&] { return !phone->PairingDialog()->isVisible(); }, 10000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return program.Overlay(program.RowOf("Phone")) == 1; }, 10000));

    // Cancelled: the dialog closes at once, the pairing ends on its own and nothing more is said.
    CDistantDeviceItem* watch = pair("Watch");
    ASSERT_TRUE(watch->PairingDialog()->isVisible());
    QTest::mouseClick(watch->PairingDialog()->CancelButton(), Qt::LeftButton);
    EXPECT_FALSE(watch->PairingDialog()->isVisible());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !watch->IsPairing(); }, 10000));
    EXPECT_FALSE(watch->PairingDialog()->isVisible());
    EXPECT_TRUE(QTest::qWaitFor([&] { return program.Overlay(program.RowOf("Watch")) == 1; }, 10000));

    CDistantDeviceItem* lock = pair("Lock");
    ASSERT_TRUE(answers.WaitFor("Pairing with Lock failed."));
    EXPECT_FALSE(lock->PairingDialog()->isVisible());
    EXPECT_EQ(std::count(answers.asked.begin(), answers.asked.end(), QString("Pairing with Watch failed.")), 0);

    // A pairing still running when the program ends is waited for before its device goes.
    pair("Watch");
    EXPECT_TRUE(watch->IsPairing());
}

TEST(BrowserDevices, ARebuiltListKeepsTheSelectionAndItsHighlight) {
    Program program(R"({"devices": [{"name": "Phone", "address": "00:00:00:00:00:02", "class": "0x214",
                                     "services": [{"profile": "opp"}, {"profile": "dun"}]}]})");
    ASSERT_TRUE(program.Search(1));
    program.DoubleClick(program.RowOf("Phone"));
    ASSERT_TRUE(program.WaitForTexts({"Object Push", "Dial-Up Networking"}));
    auto click = [&](const QString& text) {
        QTest::mouseClick(program.List()->viewport(), Qt::LeftButton, {}, program.Center(program.RowOf(text)));
    };
    auto highlighted = [&] {
        const QModelIndexList entries = program.List()->selectionModel()->selectedIndexes();
        return entries.size() == 1 ? entries.front().data().toString() : QString();
    };
    click("Object Push");
    CBrowserItem* push = program.View()->SelectedItem();
    ASSERT_NE(push, nullptr);
    program.View()->OnUpdate();  // as every engine notification does
    EXPECT_EQ(program.View()->SelectedItem(), push);
    EXPECT_EQ(highlighted(), "Object Push");

    // Shortcut items are made anew on each update: the new one of the same shortcut is selected.
    Answers answers;
    program.View()->OnCommand(cmd::kCreateShortcut);
    program.View()->OnCommand(cmd::kShortcuts);
    ASSERT_EQ(program.Texts(), QStringList{"Object Push on Phone"});
    click("Object Push on Phone");
    CBrowserItem* before = program.View()->SelectedItem();
    ASSERT_NE(before, nullptr);
    program.View()->OnUpdate();
    ASSERT_NE(program.View()->SelectedItem(), nullptr);
    EXPECT_EQ(program.View()->SelectedItem(), program.View()->ShownItem(0));
    EXPECT_EQ(highlighted(), "Object Push on Phone");
}

// While a menu is open the engine may change the list: the command goes to the new item of
// the entry chosen, and is refused once that entry is gone, whatever stands in its place.
TEST(BrowserDevices, AMenuCommandReachesItsEntryAfterARebuildAndIsRefusedOnceTheEntryIsGone) {
    Program program(R"({"devices": [{"name": "Phone", "address": "00:00:00:00:00:02", "class": "0x214",
                                     "services": [{"profile": "opp"}, {"profile": "ftp"}]}]})");
    ASSERT_TRUE(program.Search(1));
    program.DoubleClick(program.RowOf("Phone"));
    ASSERT_TRUE(program.WaitForTexts({"Object Push", "File Transfer"}));
    Answers answers;
    answers.answer = [](QDialog& dialog) {
        auto* box = qobject_cast<QMessageBox*>(&dialog);
        if (!box) return int(QDialog::Accepted);
        return int(box->standardButtons() & QMessageBox::Yes ? QMessageBox::Yes : QMessageBox::Ok);
    };
    for (const QString name : {"Object Push", "File Transfer"}) {
        program.View()->SetSelectedItem(program.View()->ShownItem(program.RowOf(name)));
        program.View()->OnCommand(cmd::kCreateShortcut);
    }
    program.View()->OnCommand(cmd::kShortcuts);
    ASSERT_TRUE(program.WaitForTexts({"Object Push on Phone", "File Transfer on Phone"}));
    const QString doomed = program.Texts().front(), kept = program.Texts().back();

    answers.asked.clear();
    program.ChooseFromMenu(0, "Delete", [&] {
        auto* item = static_cast<CShortcutItem*>(program.View()->ShownItem(0));
        program.Local()->DeleteShortcut(item->GetShortcut());
        program.View()->OnUpdate();
    });
    EXPECT_EQ(answers.asked, std::vector<QString>{doomed + " is no longer there: the command was not run."});
    EXPECT_EQ(program.Texts(), QStringList{kept}) << "the entry now in its row was left alone";

    answers.asked.clear();
    program.ChooseFromMenu(0, "Delete", [&] { program.View()->OnUpdate(); });
    EXPECT_EQ(answers.asked, (std::vector<QString>{"Do you really want to delete this shortcut?", "Shortcut deleted."}));
    EXPECT_TRUE(program.Texts().isEmpty());
}

}  // namespace
