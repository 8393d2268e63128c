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

}  // namespace
