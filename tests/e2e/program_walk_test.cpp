// The user's path through the real window on a virtual display: search, open the phone, browse
// its folders, fetch, upload and delete files, abort a large fetch, leave. Clicks and double
// clicks go to the window's widgets; dialogs and message boxes are answered as a user would.
#include <gtest/gtest.h>

#include <QFileDialog>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QToolBar>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "app/browser_program.h"
#include "app/browser/service_item.h"
#include "app/dialogs/properties_dlg.h"
#include "app/dialogs/transfer_dlg.h"
#include "app/frame/command_ids.h"
#include "engine/service/service.h"

namespace {

namespace fs = std::filesystem;
using browsertest::Answers;
using browsertest::Program;

std::string Bytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::getenv("NIMBREL_TEST_NO_DISPLAY")) GTEST_SKIP() << "Xvfb is not installed";
        // The file dialog picks `upload`; message boxes get Yes; the properties set `downloads`.
        answers.answer = [this](QDialog& dialog) {
            if (auto* properties = qobject_cast<CPropertiesDlg*>(&dialog))
                properties->FolderEdit()->setText(QString::fromStdString(downloads.string()));
            if (auto* files = qobject_cast<QFileDialog*>(&dialog)) files->selectFile(QString::fromStdString(upload.string()));
            return qobject_cast<QMessageBox*>(&dialog) ? int(QMessageBox::Yes) : int(QDialog::Accepted);
        };
    }

    void ClickToolbar(Program& program, int command) {
        auto* bar = program.View()->GetFrame()->findChildren<QToolBar*>().first();
        for (QAction* action : bar->actions())
            if (action->data().toInt() == command) return QTest::mouseClick(bar->widgetForAction(action), Qt::LeftButton);
        ADD_FAILURE() << "no toolbar button " << command;
    }

    // Searches, opens `device`, sets the download folder on its File Transfer service's page
    // and opens the service: the root folder shows.
    CService* OpenFileTransfer(Program& program, int devices, const QString& device, const QStringList& root) {
        ClickToolbar(program, cmd::kSearchDevices);
        EXPECT_TRUE(QTest::qWaitFor([&] { return program.Local()->GetFoundDevices() && program.Rows() == devices; }, 10000));
        program.DoubleClick(program.WaitForRow(device));
        const int row = program.WaitForRow("File Transfer");
        if (row < 0) return nullptr;
        CService* service = static_cast<CServiceItem*>(program.View()->ShownItem(row))->GetService();
        program.ChooseFromMenu(row, "Properties");
        program.DoubleClick(row);
        EXPECT_TRUE(program.WaitForTexts(root)) << program.Texts().join(", ").toStdString();
        return service;
    }

    CTransferDlg* LastTransferDialog(Program& program) {
        return program.View()->GetFrame()->findChildren<CTransferDlg*>().last();
    }

    void LeaveWithShortcuts(Program& program, CService* service) {
        ClickToolbar(program, cmd::kShortcuts);
        EXPECT_FALSE(service->IsConnected());
        EXPECT_EQ(program.View()->GetMode(), CNimbrelView::kShortcuts);
    }

    const fs::path home = std::getenv("NIMBREL_HOME");
    const fs::path downloads = home / "downloads";
    const fs::path upload = home / "Holiday notes.txt";
    Answers answers;
};

TEST_F(EndToEnd, FetchesUploadsAndDeletesOnTheDemoPhone) {
    Program program(Bytes(fs::path(NIMBREL_SOURCE_DIR) / "examples/worlds/demo.json"));
    const fs::path server = home / "sim" / "0012ab34cd56" / "files";
    const QStringList root{"Images", "Sounds", "Documents", "Readme.txt"};
    CService* service = OpenFileTransfer(program, 8, "Aster Phone", root);
    ASSERT_NE(service, nullptr) << program.Texts().join(", ").toStdString();

    program.DoubleClick(program.RowOf("Images"));
    ASSERT_TRUE(program.WaitForTexts({"2006", "Logo.png"})) << program.Texts().join(", ").toStdString();
    program.ChooseFromMenu(program.RowOf("Logo.png"), "Get file");
    CTransferDlg* transfer = LastTransferDialog(program);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !transfer->isVisible() && fs::exists(downloads / "Logo.png"); }, 10000));
    EXPECT_FALSE(transfer->Failed());
    EXPECT_EQ(Bytes(downloads / "Logo.png"), Bytes(server / "Images" / "Logo.png"));

    std::ofstream(upload) << "Sunny, then rain.\n";
    program.ChooseFromMenu(-1, "Add file");
    ASSERT_TRUE(program.WaitForTexts({"2006", "Logo.png", "Holiday notes.txt"})) << program.Texts().join(", ").toStdString();
    EXPECT_EQ(Bytes(server / "Images" / "Holiday notes.txt"), Bytes(upload));

    program.ChooseFromMenu(program.RowOf("Holiday notes.txt"), "Delete");
    ASSERT_TRUE(program.WaitForTexts({"2006", "Logo.png"}));
    EXPECT_FALSE(fs::exists(server / "Images" / "Holiday notes.txt"));

    ClickToolbar(program, cmd::kUp);
    ASSERT_TRUE(program.WaitForTexts(root));
    LeaveWithShortcuts(program, service);
}

TEST_F(EndToEnd, AbortStopsALargeFetchAndLeavesNothingBehind) {
    const fs::path served = home / "served";
    fs::create_directories(served);
    std::ofstream(served / "Video.mp4", std::ios::binary) << std::string(2 << 20, 'v');
    Program program(R"({"timing": {"link_kbps": 2000}, "devices": [{"name": "Phone", "address": "00:00:00:00:00:02",
        "class": "0x5A020C", "services": [{"profile": "ftp", "root": ")" + served.string() + R"("}]}]})");
    CService* service = OpenFileTransfer(program, 1, "Phone", {"Video.mp4"});
    ASSERT_NE(service, nullptr);

    program.DoubleClick(program.RowOf("Video.mp4"));
    // Aborting disconnects the service: the file's item, and its dialog with it, may go.
    const QPointer<CTransferDlg> transfer = LastTransferDialog(program);
    ASSERT_TRUE(QTest::qWaitFor([&] { return transfer->isVisible() && transfer->Position() > 0; }, 10000));
    QTest::mouseClick(transfer->Button(), Qt::LeftButton);
    EXPECT_TRUE(!transfer || !transfer->isVisible());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !transfer || transfer->Failed(); }, 10000)) << "the cut-short fetch ends";
    EXPECT_TRUE(!transfer || !transfer->isVisible()) << "an aborted transfer tells of no failure";
    EXPECT_FALSE(fs::exists(downloads / "Video.mp4"));
    EXPECT_EQ(fs::file_size(served / "Video.mp4"), 2u << 20);
    EXPECT_EQ(std::distance(fs::directory_iterator(served), {}), 1) << "nothing partial beside it";
    LeaveWithShortcuts(program, service);
}

}  // namespace
