// Files pushed to the running program: a paired device's arrive at once, a stranger's only
// when the user accepts; each received file is announced in the status bar.
#include <QStatusBar>
#include <atomic>
#include <filesystem>
#include <thread>

#include "app/frame/progress_status.h"
#include "browser_program.h"
#include "platform/kernel/paths.h"
#include "sim/radio.h"
#include "support/tools.h"

namespace {

namespace fs = std::filesystem;
using browsertest::Answers;
using browsertest::Program;

constexpr BT_ADDR kFriend = 0x000E9F112233;
constexpr BT_ADDR kStranger = 0x0012AB34CD56;

// A device's push, on a thread of its own while the window answers; its final answer.
obex::ResponseCode PushFrom(BT_ADDR device, const std::wstring& name, const std::string& text) {
    std::atomic<bool> done{false};
    obex::SessionResult result;
    DWORD error = ERROR_SUCCESS;
    std::thread pusher([&] {
        error = sim::Radio::Instance().PushToServer(device, name, std::vector<std::uint8_t>(text.begin(), text.end()),
                                                    &result);
        done = true;
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return done.load(); }, 60000));
    pusher.join();
    EXPECT_EQ(error, ERROR_SUCCESS);
    return result.response;
}

TEST(FrameReceive, AStrangersFileArrivesOnlyWhenAcceptedAndEveryArrivalIsAnnounced) {
    Answers answers;
    Program program(R"({"devices": [
        {"name": "Laptop", "address": "00:0E:9F:11:22:33", "paired_pin": "1234"},
        {"name": "Phone", "address": "00:12:AB:34:CD:56"}]})");
    const fs::path inbox = platform::FileRoot() / "Temp";
    QStatusBar* status = program.View()->GetFrame()->GetStatusBar();

    EXPECT_EQ(PushFrom(kFriend, L"notes.txt", "from a friend"), obex::ResponseCode::Success);
    EXPECT_TRUE(answers.asked.empty()) << "a paired device is not asked about";
    EXPECT_EQ(testsupport::ReadFile(inbox / "notes.txt"), "from a friend");
    EXPECT_TRUE(QTest::qWaitFor([&] { return status->currentMessage().startsWith("Received \u201Cnotes.txt\u201D"); }, 10000))
        << status->currentMessage().toStdString();

    answers.answer = [](QDialog&) { return int(QDialog::Rejected); };
    EXPECT_EQ(PushFrom(kStranger, L"<b>offer</b>.txt", "unwanted"), obex::ResponseCode::Forbidden);
    ASSERT_EQ(answers.asked.size(), 1u);
    EXPECT_EQ(answers.asked[0], "00:12:AB:34:CD:56 wants to send you \u201C<b>offer</b>.txt\u201D (8 bytes). Accept it?");
    EXPECT_FALSE(fs::exists(inbox / "<b>offer</b>.txt"));

    answers.answer = [](QDialog&) { return int(QDialog::Accepted); };
    EXPECT_EQ(PushFrom(kStranger, L"welcome.txt", "welcome"), obex::ResponseCode::Success);
    EXPECT_EQ(testsupport::ReadFile(inbox / "welcome.txt"), "welcome");
    EXPECT_TRUE(QTest::qWaitFor([&] { return status->currentMessage().contains("welcome.txt"); }, 10000));
}

}  // namespace
