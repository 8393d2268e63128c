// The local servers where no serial driver is needed: the serial server's port choice and its
// failure, the OBEX servers over "OBX0:", and the OBEX component holder with its folders.
#include <gtest/gtest.h>

#include "engine/device/device_local.h"
#include "engine/frame/cregistry.h"
#include "engine/frame/error_codes.h"
#include "engine/service/server_file_transfer.h"
#include "engine/service/server_spp.h"
#include "engine/service/sobex.h"
#include "error_log.h"
#include "registry_probe.h"
#include "sim/radio.h"
#include "support/sim_world.h"

namespace {

using testsupport::ErrorLog;

const std::wstring kBaseKey = CRegistry::kBaseKey;

bool ObexServiceRunning() { return sim::Radio::Instance().adapter().obexServiceRunning; }

TEST(SerialServer, WithNoFreePortActivationFailsWith70800AndRemembersNoPort) {
    ASSERT_NO_FATAL_FAILURE(
        testsupport::UseWorld(R"({"adapter": {"reserved_ports": [0, 1, 2, 3, 4, 5, 6, 7, 8, 9]}})"));
    RegisterEngineErrors();
    auto& errors = ErrorLog::Attach();
    CServerSpp server(nullptr);
    EXPECT_EQ(server.GetID(), SERVICE_ID_SERVER_SPP);
    EXPECT_EQ(server.Activate(1), 0);
    ASSERT_EQ(errors.Codes(), std::vector<int>{ERR_SERVER_NO_COM_PORT});
    EXPECT_EQ(errors.Reports()[0].message, L"No COM port avalaible");
    EXPECT_EQ(errors.Reports()[0].context, L"CServerSpp::loadServer");
    EXPECT_EQ(server.IsActive(), 0);
    EXPECT_EQ(server.IsConnected(), 0);
    EXPECT_FALSE(testsupport::ReadDword(kBaseKey, L"localPortCom").has_value());
    EXPECT_TRUE(sim::Radio::Instance().PublishedRecords().empty());
}

TEST(SerialServer, ThePortComesFromLocalPortComAndAPickIsKept) {
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld("{}"));
    CRegistry().WriteValueDword(L"localPortCom", 12);  // an index no driver takes
    CServerSpp server(nullptr);
    EXPECT_EQ(server.Activate(1), 0);
    EXPECT_EQ(server.GetComPort(), 12u);

    server.setSelectedPortCom(7);
    EXPECT_EQ(testsupport::ReadDword(kBaseKey, L"localPortCom"), 7u);
    EXPECT_EQ(server.GetComPort(), 7u);
}

TEST(ObexServer, LoadingStartsAndUnloadingStopsTheObexService) {
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld("{}"));
    {
        CServerOpp opp(nullptr);
        EXPECT_EQ(opp.GetName(), CString(L"OPP"));
        EXPECT_EQ(opp.Activate(1), 1);
        EXPECT_TRUE(ObexServiceRunning());
        ASSERT_EQ(sim::Radio::Instance().PublishedRecords().size(), 1u);
        {
            CServerFtp idle(nullptr);  // never loaded: going away leaves the service to opp
        }
        EXPECT_TRUE(ObexServiceRunning());
        EXPECT_EQ(opp.Activate(0), 1);
        EXPECT_FALSE(ObexServiceRunning());
        EXPECT_TRUE(sim::Radio::Instance().PublishedRecords().empty());
        EXPECT_EQ(opp.Connect(), 1);
        EXPECT_TRUE(ObexServiceRunning());
    }
    EXPECT_FALSE(ObexServiceRunning());  // a connected server stops it as it goes
}

TEST(ObexServer, WithoutTheObexServiceNothingLoads) {
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld(R"({"adapter": {"obex_service": false}})"));
    CServerFtp ftp(nullptr);
    EXPECT_EQ(ftp.Activate(1), 0);
    EXPECT_TRUE(sim::Radio::Instance().PublishedRecords().empty());
}

TEST(ObexComponent, FoldersDefaultToTempAndAreWrittenBackAtTheEnd) {
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld("{}"));
    CRegistry().WriteValueString(L"ObexOPP", L"\\Inbox");
    CSObex* obex = CSObex::GetInstance();
    EXPECT_EQ(CSObex::GetInstance(), obex);
    EXPECT_NE(obex->GetObex(), nullptr);
    EXPECT_EQ(obex->GetFtpFolder(), CString(L"\\Temp"));
    obex->SetFtpFolder(L"\\My Documents");
    CSObex::DestroyInstance();
    EXPECT_EQ(testsupport::ReadString(kBaseKey, L"ObexFTP")->first, L"\\My Documents");
    EXPECT_EQ(testsupport::ReadString(kBaseKey, L"ObexOPP")->first, L"\\Inbox");
    EXPECT_EQ(testsupport::ReadString(kBaseKey, L"ObexSYN")->first, L"\\Temp");
    EXPECT_EQ(CSObex::GetInstance()->GetFtpFolder(), CString(L"\\My Documents"));
    CSObex::DestroyInstance();
}

TEST(ObexComponent, AMissingComponentIsReportedOnceAndTheFoldersAreLeftAlone) {
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld(R"({"adapter": {"obex_component": false}})"));
    RegisterEngineErrors();
    auto& errors = ErrorLog::Attach();
    {
        CDeviceLocal local;  // makes the instance
        EXPECT_EQ(CSObex::GetInstance()->GetObex(), nullptr);
        EXPECT_TRUE(CSObex::GetInstance()->GetFtpFolder().IsEmpty());
        ASSERT_EQ(errors.Codes(), std::vector<int>{ERR_OBEX_COMPONENT});
        EXPECT_EQ(errors.Reports()[0].message, L"OBEX component not found");
        EXPECT_EQ(errors.Reports()[0].context, L"CSObex::CSObex");
    }
    EXPECT_FALSE(testsupport::ReadString(kBaseKey, L"ObexFTP").has_value());
}

}  // namespace
