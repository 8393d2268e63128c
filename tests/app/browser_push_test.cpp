// Pushing a file from the browser: connect, choose the file, follow the transfer dialog; the
// push ends the connection.
#include <gtest/gtest.h>

#include <QFileDialog>
#include <QTemporaryDir>
#include <fstream>
#include <iterator>
#include <string>

#include "app/browser/object_push_item.h"
#include "app/dialogs/transfer_dlg.h"
#include "browser_program.h"
#include "engine/service/service_distant.h"

namespace {

using browsertest::Answers;
using browsertest::Program;

std::string ReadAll(const QString& path) {
    std::ifstream in(path.toStdString(), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(BrowserPush, AChosenFileArrivesInTheInboxWithTheDialogFollowingItAndTheLinkEnds) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString inbox = folder.filePath("inbox");
    const QString card = folder.filePath("card.vcf");
    const std::string content(70000, 'v');  // more than one packet
    std::ofstream(card.toStdString(), std::ios::binary) << content;
    Program program(R"({"devices": [{"name": "Phone", "address": "00:00:00:00:00:02", "class": "0x5A020C",
        "services": [{"profile": "opp", "inbox": ")" + inbox.toStdString() + R"("}]}]})");
    ASSERT_TRUE(program.Search(1));
    program.DoubleClick(program.RowOf("Phone"));
    const int row = program.WaitForRow("Object Push");
    ASSERT_GE(row, 0);
    program.DoubleClick(row);  // connects
    ASSERT_TRUE(QTest::qWaitFor([&] { return program.Overlay(program.RowOf("Object Push")) == 2; }, 10000));

    Answers answers;
    answers.answer = [&](QDialog& dialog) {
        auto* chooser = qobject_cast<QFileDialog*>(&dialog);
        if (!chooser) return int(QMessageBox::Ok);
        chooser->selectFile(card);
        return int(QDialog::Accepted);
    };
    program.DoubleClick(program.RowOf("Object Push"));  // pushes
    auto* item = static_cast<CObjectPushItem*>(program.View()->SelectedItem());
    ASSERT_NE(item, nullptr);
    ASSERT_NE(item->TransferDialog(), nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return ReadAll(inbox + "/card.vcf") == content; }, 10000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !item->TransferDialog()->isVisible(); }, 10000));
    EXPECT_FALSE(item->TransferDialog()->Failed());
    EXPECT_EQ(answers.asked.size(), 1u) << "only the file was asked for";
    ASSERT_TRUE(QTest::qWaitFor([&] { return program.Overlay(program.RowOf("Object Push")) == 0; }, 10000))
        << "every push ends the connection";
}

TEST(BrowserPush, PushFileConnectsAndPushesAtOnceAndItsMessagesReachItWhateverIsSelected) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString inbox = folder.filePath("inbox");
    const QString card = folder.filePath("card.vcf");
    std::ofstream(card.toStdString(), std::ios::binary) << "BEGIN:VCARD";
    Program program(R"({"devices": [{"name": "Phone", "address": "00:00:00:00:00:02", "class": "0x5A020C",
        "services": [{"profile": "opp", "inbox": ")" + inbox.toStdString() + R"("}, {"profile": "dun"}]}]})");
    ASSERT_TRUE(program.Search(1));
    program.DoubleClick(program.RowOf("Phone"));
    ASSERT_GE(program.WaitForRow("Dial-Up Networking"), 0) << program.Texts().join(", ").toStdString();
    const int row = program.WaitForRow("Object Push");
    ASSERT_GE(row, 0);
    auto* item = static_cast<CObjectPushItem*>(program.View()->ShownItem(row));

    Answers answers;
    answers.answer = [&](QDialog& dialog) {
        auto* chooser = qobject_cast<QFileDialog*>(&dialog);
        if (!chooser) return int(QMessageBox::Ok);
        chooser->selectFile(card);
        return int(QDialog::Accepted);
    };
    program.ChooseFromMenu(row, "Push file");
    // The user turns to another service while the connection comes up and the file goes.
    program.View()->SetSelectedItem(program.View()->ShownItem(program.RowOf("Dial-Up Networking")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return ReadAll(inbox + "/card.vcf") == "BEGIN:VCARD"; }, 10000))
        << "the push runs once connected, without a second command";
    EXPECT_EQ(answers.asked.size(), 1u) << "only the file was asked for";
    ASSERT_NE(item->TransferDialog(), nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !item->TransferDialog()->isVisible(); }, 10000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !item->GetDistantService()->IsConnected(); }, 10000))
        << "the end of the transfer reached the push's item, which disconnected";
}

}  // namespace
