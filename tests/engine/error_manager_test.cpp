#include <gtest/gtest.h>

#include <thread>

#include "engine/device/device_local.h"
#include "engine/frame/error_codes.h"
#include "engine/frame/error_manager.h"
#include "error_log.h"
#include "sim/radio.h"
#include "support/sim_world.h"

namespace {

using testsupport::ErrorLog;

int Other(int, const wchar_t*, const wchar_t*, void*) { return 0; }

TEST(ErrorManager, CommunicationsAreMadeOncePerCallbackAndTheBlankOnce) {
    COMMUNICATION_HANDLE a = NewCallBack(&ErrorLog::Receive);
    EXPECT_NE(a, 0u);
    EXPECT_EQ(NewCallBack(&ErrorLog::Receive), a);
    EXPECT_NE(NewCallBack(&Other), a);
    COMMUNICATION_HANDLE blank = NewBlank();
    EXPECT_EQ(NewBlank(), blank);
    EXPECT_NE(blank, a);
}

TEST(ErrorManager, ReservedAndUsedCodesKeepTheirFirstText) {
    EXPECT_FALSE(NewError(0, L"x"));
    EXPECT_FALSE(NewError(-1, L"x"));
    EXPECT_TRUE(NewError(123456, L"first"));
    EXPECT_FALSE(NewError(123456, L"second"));
    auto& log = ErrorLog::Attach();
    RaiseError(123456, L"Test::Reserved");
    ASSERT_EQ(log.Reports().size(), 1u);
    EXPECT_EQ(log.Reports()[0].message, L"first");
}

TEST(ErrorManager, CodesWithoutEntryReachTheCatchAllAsUnknownWithCodeZero) {
    auto& log = ErrorLog::Attach();
    RaiseError(5, L"CDevice::Clear");
    RaiseError(70109, L"Test::Unknown");
    RaiseError(1062, L"Test::Stack");
    auto reports = log.Reports();
    ASSERT_EQ(reports.size(), 3u);
    EXPECT_EQ(reports[0].code, 0);
    EXPECT_EQ(reports[0].message, L"Unknown error code 0x00000005 (5)");
    EXPECT_EQ(reports[0].context, L"CDevice::Clear");
    EXPECT_EQ(reports[1].message, L"Unknown error code 0x000111dd (4573)");
    EXPECT_EQ(reports[2].message, L"Unknown error code 0x00000426 (1062)");
}

TEST(ErrorManager, MessageChoiceAndRoutingFollowTheEntry) {
    testsupport::UseWorld("{}");
    CDeviceLocal local;  // registers the engine's table
    auto& log = ErrorLog::Attach();
    AddCommunication(ERR_OBEX_INCORRECT_INIT, NewBlank(), ERROR_TYPE_ERROR);
    EXPECT_FALSE(NewError(ERR_OBEX_INIT, L"replacement"));
    NewError(777001, L"");

    RaiseError(ERR_OBEX_INCORRECT_INIT, L"CClientObex::Abort");  // silenced by the blank
    RaiseError(ERR_OBEX_REMOTE_DIRECTORY, L"CClientObex::GoToPath");
    RaiseError(ERR_OBEX_INIT, L"CClientObex::makeConnection", 0, L"extra text");
    RaiseError(777001, L"Test::Empty", 0, L"ignored extra");
    RaiseError(ERR_SERVER_NO_COM_PORT, L"CServerSpp::loadServer");
    RaiseError(ERR_SPP_NO_COM_PORT, L"CClientSpp::makeConnection");
    RaiseError(ERR_SDP_PROFILE, L"CServiceLocal::registerService");  // the host has not added it

    auto reports = log.Reports();
    ASSERT_EQ(reports.size(), 6u);
    EXPECT_EQ(reports[0].code, ERR_OBEX_REMOTE_DIRECTORY);  // the entry's code, the catch-all's receiver
    EXPECT_EQ(reports[0].message, L"Can't access to remote directory");
    EXPECT_EQ(reports[1].message, L"extra text");
    EXPECT_FALSE(reports[2].hasMessage);  // an empty text gives no message at all
    EXPECT_EQ(reports[3].message, L"No COM port avalaible");
    EXPECT_EQ(reports[4].message, reports[3].message);
    EXPECT_NE(reports[4].context, reports[3].context);
    EXPECT_EQ(reports[5].code, 0);
    EXPECT_EQ(reports[5].message, L"Unknown error code 0x000114f4 (5364)");
}

TEST(ErrorManager, HostRegisteredTextsSurviveTheEngineTable) {
    testsupport::UseWorld("{}");
    EXPECT_TRUE(NewError(ERR_INQUIRY_NO_STOP, L"host text"));
    CDeviceLocal local;
    auto& log = ErrorLog::Attach();
    RaiseError(ERR_INQUIRY_NO_STOP, L"CDevice::EndInquiry");
    RaiseError(ERR_INQUIRY_RUNNING, L"CDevice::Clear");
    ASSERT_EQ(log.Reports().size(), 2u);
    EXPECT_EQ(log.Reports()[0].message, L"host text");
    EXPECT_EQ(log.Reports()[1].message, L"Try to clear device although there is an inquiry thread");
}

TEST(ErrorManager, PostedReportsArriveInOrderOnTheDispatcherAfterTheCallsReturn) {
    auto& log = ErrorLog::Attach();
    NewError(777002, L"posted");
    for (int i = 0; i < 50; ++i) PostError(i % 2 ? 777002 : 5, L"Test::Post", static_cast<ERROR_PARAM>(i));
    ASSERT_TRUE(log.WaitFor(50));
    auto reports = log.Reports();
    for (int i = 0; i < 50; ++i) {
        EXPECT_EQ(reports[i].code, i % 2 ? 777002 : 0);
        EXPECT_NE(reports[i].thread, std::this_thread::get_id());
    }
}

TEST(ErrorManager, AttachingToUnknownKeysOrHandlesChangesNothing) {
    auto& log = ErrorLog::Attach();
    COMMUNICATION_HANDLE blank = NewBlank();
    EXPECT_EQ(AddCommunication(424242, blank, ERROR_TYPE_ERROR), 0);  // no such entry
    NewError(777003, L"kept loud");
    EXPECT_EQ(AddCommunication(777003, blank + 8, ERROR_TYPE_ERROR), 0);  // no such communication
    RaiseError(777003, L"Test::Attach");
    EXPECT_EQ(log.Reports().size(), 1u);
}

}  // namespace
