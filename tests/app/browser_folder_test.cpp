// Remote folder browsing from the browser: entering and leaving folders, fetching, adding and
// deleting files on the simulated phone's File Transfer server.
#include <gtest/gtest.h>

#include <QAction>
#include <QFileDialog>
#include <QLineEdit>
#include <QToolBar>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "app/browser/folder_item.h"
#include "app/browser/service_item.h"
#include "app/dialogs/properties_dlg.h"
#include "app/dialogs/transfer_dlg.h"
#include "app/frame/command_ids.h"
#include "browser_program.h"
#include "engine/frame/cregistry.h"
#include "engine/obex/ftp_tree.h"
#include "engine/service/service.h"
#include "support/scripted_ftp_peer.h"

namespace {

namespace fs = std::filesystem;
using browsertest::Answers;
using browsertest::Program;


bool UpEnabled(const Program& program) {
    for (QAction* action : program.View()->GetFrame()->findChildren<QToolBar*>().first()->actions())
        if (action->data().toInt() == cmd::kUp) return action->isEnabled();
    return false;
}

TEST(BrowserFolder, BrowsesFetchesAddsAndDeletesFilesAndLeavingDisconnects) {
    Program program(R"({"devices": [{"name": "Phone", "address": "00:00:00:00:00:02", "class": "0x214",
                                     "services": [{"profile": "ftp"}]}]})");
    const fs::path kHome = std::getenv("NIMBREL_HOME");
    const fs::path kServer = kHome / "sim" / "000000000002" / "files";
    ASSERT_TRUE(program.Search(1));
    program.DoubleClick(program.RowOf("Phone"));
    const int serviceRow = program.WaitForRow("File Transfer");
    ASSERT_GE(serviceRow, 0) << program.Texts().join(", ").toStdString();
    auto* serviceItem = static_cast<CServiceItem*>(program.View()->ShownItem(serviceRow));
    CService* service = serviceItem->GetService();

    // The download folder, from the service's properties.
    Answers answers;
    const fs::path downloads = kHome / "downloads";
    answers.answer = [&](QDialog& dialog) {
        if (auto* properties = qobject_cast<CPropertiesDlg*>(&dialog))
            properties->FolderEdit()->setText(QString::fromStdString(downloads.string()));
        if (auto* files = qobject_cast<QFileDialog*>(&dialog)) files->selectFile(QString::fromStdString((kHome / "upload.txt").string()));
        return qobject_cast<QMessageBox*>(&dialog) ? int(QMessageBox::Yes) : int(QDialog::Accepted);
    };
    program.View()->SetSelectedItem(serviceItem);
    program.View()->OnCommand(cmd::kFileTransferProperties);
    EXPECT_EQ(serviceItem->GetPath().toStdString(), downloads.string());

    program.DoubleClick(serviceRow);
    ASSERT_TRUE(program.WaitForTexts({"Images", "Sounds", "Documents", "Readme.txt"})) << program.Texts().join(", ").toStdString();
    EXPECT_EQ(program.Image(program.RowOf("Images")), 13);
    EXPECT_EQ(program.Image(program.RowOf("Readme.txt")), 12);
    EXPECT_FALSE(program.View()->CanGoUp());
    EXPECT_FALSE(UpEnabled(program));

    program.DoubleClick(program.RowOf("Images"));
    ASSERT_TRUE(program.WaitForTexts({"2006", "Logo.png"})) << program.Texts().join(", ").toStdString();
    EXPECT_TRUE(UpEnabled(program));
    program.DoubleClick(program.RowOf("Logo.png"));
    const fs::path fetched = downloads / "Logo.png";
    CTransferDlg* transfer = program.View()->GetFrame()->findChildren<CTransferDlg*>().last();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !transfer->isVisible(); }, 10000));
    EXPECT_FALSE(transfer->Failed());
    ASSERT_TRUE(fs::exists(fetched));
    EXPECT_EQ(fs::file_size(fetched), fs::file_size(kServer / "Images" / "Logo.png"));

    program.View()->OnCommand(cmd::kUp);
    ASSERT_TRUE(program.WaitForTexts({"Images", "Sounds", "Documents", "Readme.txt"}));
    EXPECT_FALSE(UpEnabled(program));

    // An empty folder brings no listing news: Up is enabled all the same.
    fs::create_directory(kServer / "Empty");
    program.View()->OnCommand(cmd::kRefresh);
    program.DoubleClick(program.WaitForRow("Empty"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return UpEnabled(program); }, 10000));
    EXPECT_EQ(program.Rows(), 0);
    program.View()->OnCommand(cmd::kUp);
    ASSERT_TRUE(program.WaitForTexts({"Images", "Sounds", "Documents", "Readme.txt", "Empty"}));

    // Added into the folder shown from the empty area's menu, then deleted: No keeps it.
    std::ofstream(kHome / "upload.txt") << "uploaded";
    program.ChooseFromMenu(-1, "Add file");
    ASSERT_GE(program.WaitForRow("upload.txt"), 0) << program.Texts().join(", ").toStdString();
    EXPECT_TRUE(QTest::qWaitFor([&] { return fs::exists(kServer / "upload.txt"); }, 10000));
    answers.answer = [](QDialog&) { return int(QMessageBox::No); };
    program.ChooseFromMenu(program.RowOf("upload.txt"), "Delete");
    EXPECT_EQ(answers.asked.back(), "Are you sure to delete it ?");
    EXPECT_GE(program.RowOf("upload.txt"), 0);
    answers.answer = [](QDialog&) { return int(QMessageBox::Yes); };
    program.ChooseFromMenu(program.RowOf("upload.txt"), "Delete");
    ASSERT_TRUE(program.WaitForTexts({"Images", "Sounds", "Documents", "Readme.txt", "Empty"}));
    EXPECT_FALSE(fs::exists(kServer / "upload.txt"));

    // A download folder that cannot be made: the fetch fails before it starts, and says so.
    serviceItem->SetPath(QString::fromStdString((kHome / "upload.txt" / "in").string()));
    program.DoubleClick(program.RowOf("Readme.txt"));
    transfer = program.View()->GetFrame()->findChildren<CTransferDlg*>().last();
    ASSERT_TRUE(QTest::qWaitFor([&] { return transfer->Failed(); }, 10000));
    EXPECT_TRUE(transfer->isVisible());
    EXPECT_EQ(transfer->Message(), "The transfer failed.");

    ASSERT_TRUE(service->IsConnected());
    program.View()->OnCommand(cmd::kShortcuts);
    EXPECT_FALSE(service->IsConnected());
    EXPECT_EQ(program.View()->GetMode(), CNimbrelView::kShortcuts);
}

TEST(BrowserFolder, ACancelEndsAConnectionAServerNeverAnswers) {
    // The answer would be awaited for two minutes: only the Cancel can end the attempt sooner.
    CRegistry().WriteValueDword(L"OBEX Response Timeout", 120000);
    testsupport::ScriptedObexServer silent(testsupport::FtpPeer({.silent = true}));
    Program program(R"({"devices": [{"name": "Server", "address": "00:00:00:00:00:05", "class": "0x100",
        "services": [{"profile": "ftp", "obex_tcp": ")" + silent.address() + R"("}]}]})");
    ASSERT_TRUE(program.Search(1));
    program.DoubleClick(program.RowOf("Server"));
    const int serviceRow = program.WaitForRow("File Transfer");
    ASSERT_GE(serviceRow, 0) << program.Texts().join(", ").toStdString();
    auto* serviceItem = static_cast<CServiceItem*>(program.View()->ShownItem(serviceRow));
    program.DoubleClick(serviceRow);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !silent.Requests().empty(); }, 10000)) << "the CONNECT went out";

    serviceItem->Cancel();
    EXPECT_TRUE(silent.WaitForHangUp(std::chrono::seconds(20))) << "the attempt was given up";
    EXPECT_FALSE(serviceItem->GetService()->IsConnected());
}

// Once the session is gone the engine refuses a fetch or an upload: there is no transfer to
// follow, so no transfer dialog shows (not even the one a finished fetch left).
TEST(BrowserFolder, GetFileAndAddFileShowNoDialogWhenTheEngineRefusesThem) {
    Program program(R"({"devices": [{"name": "Phone", "address": "00:00:00:00:00:02", "class": "0x214",
                                     "services": [{"profile": "ftp"}]}]})");
    const fs::path kHome = std::getenv("NIMBREL_HOME");
    std::ofstream(kHome / "upload.txt") << "uploaded";
    Answers answers;
    answers.answer = [&](QDialog& dialog) {
        if (auto* files = qobject_cast<QFileDialog*>(&dialog)) files->selectFile(QString::fromStdString((kHome / "upload.txt").string()));
        return qobject_cast<QMessageBox*>(&dialog) ? int(QMessageBox::Ok) : int(QDialog::Accepted);
    };
    ASSERT_TRUE(program.Search(1));
    program.DoubleClick(program.RowOf("Phone"));
    const int serviceRow = program.WaitForRow("File Transfer");
    ASSERT_GE(serviceRow, 0);
    CService* service = static_cast<CServiceItem*>(program.View()->ShownItem(serviceRow))->GetService();
    program.DoubleClick(serviceRow);
    ASSERT_TRUE(program.WaitForTexts({"Images", "Sounds", "Documents", "Readme.txt"})) << program.Texts().join(", ").toStdString();
    auto* readme = static_cast<CFileItem*>(program.View()->ShownItem(program.RowOf("Readme.txt")));
    auto visibleTransfers = [&] {
        int visible = 0;
        for (CTransferDlg* dialog : program.View()->GetFrame()->findChildren<CTransferDlg*>()) visible += dialog->isVisible();
        return visible;
    };

    program.ChooseFromMenu(program.RowOf("Readme.txt"), "Get file");
    EXPECT_EQ(visibleTransfers(), 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return visibleTransfers() == 0; }, 10000));
    EXPECT_EQ(readme->GetFtpFile()->WaitForTransfer(), 1);

    readme->GetFtpFile()->DisconnectClient();
    ASSERT_FALSE(service->IsConnected());
    ASSERT_GE(program.RowOf("Readme.txt"), 0);
    program.ChooseFromMenu(program.RowOf("Readme.txt"), "Get file");
    EXPECT_EQ(visibleTransfers(), 0) << "a refused fetch";
    const std::size_t asked = answers.asked.size();
    program.ChooseFromMenu(-1, "Add file");
    EXPECT_EQ(answers.asked.size(), asked + 1) << "only the file was asked for";
    EXPECT_EQ(visibleTransfers(), 0) << "a refused upload";
    QTest::qWait(0);  // anything posted meanwhile
    EXPECT_EQ(visibleTransfers(), 0);
}

TEST(BrowserFolder, AServerSlowToAnswerHoldsNeitherTheWindowNorTheWayOut) {
    CRegistry().WriteValueDword(L"OBEX Response Timeout", 120000);
    for (const obex::Opcode slowTo : {obex::Opcode::Get, obex::Opcode::Put}) {
        testsupport::ScriptedObexServer slow(
            testsupport::FtpPeer({.files = {{L"a.txt", "a"}}, .neverAnswered = slowTo}));
        Program program(R"({"devices": [{"name": "Server", "address": "00:00:00:00:00:05", "class": "0x100",
            "services": [{"profile": "ftp", "obex_tcp": ")" + slow.address() + R"("}]}]})");
        Answers answers;
        answers.answer = [](QDialog&) { return int(QMessageBox::Yes); };
        ASSERT_TRUE(program.Search(1));
        program.DoubleClick(program.RowOf("Server"));
        const int serviceRow = program.WaitForRow("File Transfer");
        ASSERT_GE(serviceRow, 0) << program.Texts().join(", ").toStdString();
        CService* service = static_cast<CServiceItem*>(program.View()->ShownItem(serviceRow))->GetService();
        program.DoubleClick(serviceRow);
        if (slowTo == obex::Opcode::Put) {  // listed, then a delete that waits for its answer
            ASSERT_TRUE(program.WaitForTexts({"sub", "a.txt"})) << program.Texts().join(", ").toStdString();
            // The listing over: its entries stay while the menu is open.
            ASSERT_TRUE(QTest::qWaitFor([&] { return !program.View()->ListingRunning(); }, 10000));
            program.ChooseFromMenu(program.RowOf("a.txt"), "Delete");
        }
        // The window keeps answering while the server does not: this wait returns.
        // (Generous: on a loaded machine the connection and listing before it take a while.)
        ASSERT_TRUE(QTest::qWaitFor([&] { return !slow.Requests().empty() && slow.Requests().back().opcode == slowTo; },
                                    30000))
            << slow.Requests().size() << " requests, the last "
            << (slow.Requests().empty() ? -1 : static_cast<int>(slow.Requests().back().opcode))
            << "; asked: " << (answers.asked.empty() ? QString() : answers.asked.back()).toStdString();

        program.View()->OnCommand(cmd::kShortcuts);  // the call is aborted, the service left
        EXPECT_EQ(program.View()->GetMode(), CNimbrelView::kShortcuts);
        EXPECT_FALSE(service->IsConnected());
        EXPECT_TRUE(slow.WaitForHangUp(std::chrono::seconds(20)));
        const auto requests = slow.Requests();
        EXPECT_TRUE(std::any_of(requests.begin(), requests.end(),
                                [](const obex::Request& r) { return r.opcode == obex::Opcode::Abort; }));
    }
}

}  // namespace
