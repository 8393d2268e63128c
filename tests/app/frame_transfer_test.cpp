// The transfer dialog: progress values as the engine's transfer thread reports them.
#include <gtest/gtest.h>

#include <QLocale>
#include <QPushButton>
#include <QTest>
#include <thread>

#include "app/dialogs/transfer_dlg.h"
#include "engine/obex/client_obex.h"

namespace {

TEST(FrameTransfer, UnknownSizeStepsAndWrapsAfterAHundred) {
    CTransferDlg dialog(nullptr, nullptr);
    dialog.Describe(QStringLiteral("Getting “a.bin” from Phone"), 0);
    dialog.OnTransferProgress(PROGRESS_START);
    dialog.OnTransferProgress(40);
    EXPECT_EQ(dialog.Detail(), "40%") << "without a size, the share done";
    EXPECT_TRUE(dialog.Running());
    dialog.OnTransferProgress(98);
    dialog.OnTransferProgress(PROGRESS_UNKNOWN);
    EXPECT_EQ(dialog.Position(), 99);
    dialog.OnTransferProgress(PROGRESS_UNKNOWN);
    EXPECT_EQ(dialog.Position(), 100);
    dialog.OnTransferProgress(PROGRESS_UNKNOWN);
    EXPECT_EQ(dialog.Position(), 0);
    dialog.OnTransferProgress(PROGRESS_UNKNOWN);
    EXPECT_EQ(dialog.Position(), 1);
}

TEST(FrameTransfer, FailureSaysSoAndTheButtonCloses) {
    CTransferDlg dialog(nullptr, nullptr);
    dialog.show();
    dialog.OnTransferProgress(PROGRESS_START);
    dialog.OnTransferProgress(40);
    dialog.OnTransferProgress(PROGRESS_FAILED);
    EXPECT_FALSE(dialog.Running());
    EXPECT_TRUE(dialog.Failed());
    EXPECT_EQ(dialog.Message(), "The transfer failed.");
    EXPECT_EQ(dialog.Button()->text(), "Close");
    EXPECT_TRUE(dialog.isVisible());
    QTest::mouseClick(dialog.Button(), Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());
    // The next transfer starts clean, and says how much of its size is done.
    dialog.Describe(QStringLiteral("Sending “b.bin” to Phone"), 4 * 1024 * 1024);
    dialog.OnTransferProgress(PROGRESS_START);
    EXPECT_TRUE(dialog.Detail().isEmpty());
    dialog.OnTransferProgress(25);
    EXPECT_TRUE(dialog.Detail().startsWith(QLocale().formattedDataSize(1024 * 1024) + " of " +
                                           QLocale().formattedDataSize(4 * 1024 * 1024)))
        << dialog.Detail().toStdString();
    EXPECT_EQ(dialog.Button()->text(), "Abort");
    EXPECT_TRUE(dialog.Message().isEmpty());
    // Cut short after its end was reported (251 comes before -1): told all the same...
    dialog.OnTransferProgress(PROGRESS_END);
    dialog.OnTransferProgress(PROGRESS_FAILED);
    EXPECT_TRUE(dialog.isVisible());
    // ...but not once the user aborted it.
    dialog.show();
    dialog.OnTransferProgress(PROGRESS_START);
    QTest::mouseClick(dialog.Button(), Qt::LeftButton);
    dialog.OnTransferProgress(PROGRESS_END);
    dialog.OnTransferProgress(PROGRESS_FAILED);
    EXPECT_FALSE(dialog.isVisible());
}

TEST(FrameTransfer, ReportsFromATransferThreadArriveByContextAndSkipGoneDialogs) {
    auto dialog = std::make_unique<CTransferDlg>(nullptr, nullptr);
    auto gone = std::make_unique<CTransferDlg>(nullptr, nullptr);
    const long goneContext = gone->Context();
    gone.reset();
    std::thread transfer([context = dialog->Context(), goneContext] {
        CTransferDlg::TransferProgress(PROGRESS_START, context);
        CTransferDlg::TransferProgress(37, goneContext);
        CTransferDlg::TransferProgress(42, context);
    });
    transfer.join();
    EXPECT_EQ(dialog->Position(), 0);  // posted, not applied on the transfer thread
    EXPECT_TRUE(QTest::qWaitFor([&] { return dialog->Position() == 42; }, 10000));
    EXPECT_TRUE(dialog->Running());
}

}  // namespace
