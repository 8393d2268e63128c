// The OBEX clients against the simulated radio's OBEX servers: pushing, and listing, fetching,
// uploading and deleting on a phone's folders.
#include <gtest/gtest.h>

#include <condition_variable>
#include <filesystem>
#include <functional>
#include <fstream>
#include <mutex>
#include <vector>

#include "connection_attempt.h"
#include "engine/device/device_distant.h"
#include "engine/frame/error_codes.h"
#include "engine/obex/client_ftp.h"
#include "engine/obex/client_opp.h"
#include "engine/obex/folder_listing.h"
#include "error_log.h"
#include "notification_log.h"
#include "platform/kernel/paths.h"
#include "support/sim_world.h"

namespace {

using testsupport::ErrorLog;
using testsupport::NotificationLog;

constexpr BT_ADDR kPhone = 0x0012AB34CD56;

std::string World(const std::string& serviceExtras = "") {
    return R"({"devices": [{"name": "Phone", "address": "00:12:AB:34:CD:56", "services": [
        {"profile": "opp", "channel": 9)" + serviceExtras + R"(}, {"profile": "ftp", "channel": 10}]}]})";
}

// The codes a transfer's callback received.
struct Progress {
    static void Callback(int code, long context) {
        auto* self = reinterpret_cast<Progress*>(context);
        std::lock_guard lock(self->mutex);
        self->codes.push_back(code);
        if (self->onCode) self->onCode(code);
    }
    long context() { return reinterpret_cast<long>(this); }
    std::vector<int> Codes() {
        std::lock_guard lock(mutex);
        return codes;
    }
    std::mutex mutex;
    std::vector<int> codes;
    std::function<void(int)> onCode;
};

std::filesystem::path LocalFile(const std::string& name, std::size_t size) {
    const auto path = platform::NimbrelHome() / name;
    std::ofstream out(path, std::ios::binary);
    for (std::size_t i = 0; i < size; ++i) out.put(static_cast<char>('a' + i % 26));
    return path;
}

std::wstring Wide(const std::filesystem::path& path) { return path.wstring(); }

template <class Client>
Client* Connected(CDeviceDistant& device, unsigned int id) {
    auto* client = dynamic_cast<Client*>(device.AddDistantService(id, NO_COM_PORT));
    client->Connect();
    EXPECT_TRUE(testsupport::AttemptEnded(*client));
    EXPECT_EQ(client->IsConnected(), 1);
    return client;
}

TEST(ObexClients, PushSendsBlocksWithPercentagesAndEmptyFilesToo) {
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld(World()));
    RegisterEngineErrors();
    auto& errors = ErrorLog::Attach();
    CDeviceDistant device(kPhone, L"Phone", 0, 0);
    auto* opp = dynamic_cast<CClientOpp*>(device.AddDistantService(SERVICE_ID_OPP, NO_COM_PORT));
    Progress early;
    EXPECT_EQ(opp->PushObject(L"/nowhere", &Progress::Callback, early.context()), 0);
    ASSERT_TRUE(errors.WaitFor(1));
    EXPECT_EQ(errors.Codes(), std::vector<int>{ERR_PUSH_NOT_CONNECTED});

    opp = Connected<CClientOpp>(device, SERVICE_ID_OPP);
    Progress progress;
    ASSERT_EQ(opp->PushObject(Wide(LocalFile("a.txt", 130)).c_str(), &Progress::Callback, progress.context()), 1);
    EXPECT_EQ(opp->WaitForPush(), 1);
    EXPECT_EQ(progress.Codes(), (std::vector<int>{PROGRESS_START, 49, 98, 100, PROGRESS_END}));
    const auto inbox = platform::NimbrelHome() / "sim" / "0012ab34cd56" / "inbox";
    EXPECT_EQ(std::filesystem::file_size(inbox / "a.txt"), 130u);

    Progress empty;
    ASSERT_EQ(opp->PushObject(Wide(LocalFile("empty.txt", 0)).c_str(), &Progress::Callback, empty.context()), 1);
    EXPECT_EQ(opp->WaitForPush(), 1) << "an empty file the device accepted is pushed";
    EXPECT_EQ(empty.Codes(), (std::vector<int>{PROGRESS_START, PROGRESS_END}));
    EXPECT_TRUE(std::filesystem::exists(inbox / "empty.txt"));
    EXPECT_EQ(errors.Codes().size(), 1u);
}

TEST(ObexClients, ARefusedPushIsReportedLater) {
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld(World(R"(, "faults": ["abort-after:100"])")));
    RegisterEngineErrors();
    auto& errors = ErrorLog::Attach();
    CDeviceDistant device(kPhone, L"Phone", 0, 0);
    auto* opp = Connected<CClientOpp>(device, SERVICE_ID_OPP);
    const std::wstring big = Wide(LocalFile("big.bin", 200000));
    Progress refused;
    ASSERT_EQ(opp->PushObject(big.c_str(), &Progress::Callback, refused.context()), 1);
    EXPECT_EQ(opp->WaitForPush(), 0);
    ASSERT_TRUE(errors.WaitFor(1));
    EXPECT_EQ(errors.Reports()[0].code, ERR_PUSH_ABORTED);
    EXPECT_EQ(errors.Reports()[0].context, L"CClientOpp::DoPushObjectThreadWork");
    EXPECT_EQ(refused.Codes().back(), PROGRESS_END);
}

TEST(ObexClients, ALocalAbortEndsThePushWithoutAReport) {
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld(R"({"timing": {"link_kbps": 64}, "devices": [{"name": "Phone",
        "address": "00:12:AB:34:CD:56", "services": [{"profile": "opp", "channel": 9}]}]})"));
    RegisterEngineErrors();
    auto& errors = ErrorLog::Attach();
    CDeviceDistant device(kPhone, L"Phone", 0, 0);
    auto* opp = Connected<CClientOpp>(device, SERVICE_ID_OPP);
    Progress progress;
    std::mutex moved;
    std::condition_variable first;
    bool started = false;
    progress.onCode = [&](int code) {
        std::lock_guard lock(moved);
        started = started || (code >= 0 && code <= 100);
        first.notify_all();
    };
    ASSERT_EQ(opp->PushObject(Wide(LocalFile("big.bin", 1000000)).c_str(), &Progress::Callback, progress.context()), 1);
    {
        std::unique_lock lock(moved);
        ASSERT_TRUE(first.wait_for(lock, std::chrono::seconds(10), [&] { return started; }));
    }
    EXPECT_EQ(opp->Abort(), 1);
    EXPECT_EQ(opp->WaitForPush(), 0);
    EXPECT_EQ(progress.Codes().back(), PROGRESS_END);
    // Reports arrive in order: the marker comes first only if the push queued none.
    PostError(ERR_SERVICE_DISCONNECTED, L"marker");
    ASSERT_TRUE(errors.WaitFor(1));
    EXPECT_EQ(errors.Codes(), std::vector<int>{ERR_SERVICE_DISCONNECTED});
}

TEST(ObexClients, FileTransferListsFetchesUploadsAndDeletes) {
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld(World()));
    RegisterEngineErrors();
    auto& errors = ErrorLog::Attach();
    auto& log = NotificationLog::Attach();
    CDeviceDistant device(kPhone, L"Phone", 0, 0);
    auto* ftp = Connected<CClientFtp>(device, SERVICE_ID_FTP);
    CFtpFolder* root = ftp->GetFolder();
    EXPECT_EQ(root->GetPath(), CString(L"\\"));
    ASSERT_EQ(root->Browse(), 1);
    EXPECT_EQ(log.Count(NOTIFY_FOLDER_CHANGED), 1u);
    CFtpFolder* documents = nullptr;
    for (CFtpElement* element : root->arElements)
        if (element->GetName() == L"Documents") documents = static_cast<CFtpFolder*>(element);
    ASSERT_NE(documents, nullptr);
    EXPECT_EQ(documents->GetPath(), CString(L"\\\\Documents"));
    ASSERT_EQ(documents->Browse(), 1);
    CFtpFile* menu = nullptr;
    for (CFtpElement* element : documents->arElements)
        if (element->GetName() == L"Café menu.txt") menu = static_cast<CFtpFile*>(element);
    ASSERT_NE(menu, nullptr);

    const auto downloads = platform::NimbrelHome() / "downloads";
    ftp->SetPath(Wide(downloads).c_str());
    Progress fetch;
    ASSERT_EQ(menu->GetFile(&Progress::Callback, fetch.context()), 1);
    EXPECT_EQ(menu->WaitForTransfer(), 1);
    EXPECT_EQ(std::filesystem::file_size(downloads / "Café menu.txt"), menu->dwSize);
    EXPECT_EQ(fetch.Codes().back(), PROGRESS_END);

    // A local file that cannot be created (a folder of that name is in the way): -1 alone,
    // nothing left behind, and the session goes on to the upload below.
    const auto blocked = platform::NimbrelHome() / "blocked";
    std::filesystem::create_directories(blocked / "Café menu.txt");
    ftp->SetPath(Wide(blocked).c_str());
    Progress refused;
    ASSERT_EQ(menu->GetFile(&Progress::Callback, refused.context()), 1);
    EXPECT_EQ(menu->WaitForTransfer(), 0);
    EXPECT_EQ(refused.Codes(), std::vector<int>{PROGRESS_FAILED});
    EXPECT_TRUE(std::filesystem::is_empty(blocked / "Café menu.txt"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(blocked), {}), 1);

    // A listed name that would lead out of the download folder is never fetched.
    documents->arElements.Add(new CFtpFile(ftp, documents, L"../escape.txt"));
    EXPECT_EQ(static_cast<CFtpFile*>(documents->arElements[documents->arElements.GetSize() - 1])
                  ->GetFile(&Progress::Callback, fetch.context()),
              0);
    ASSERT_TRUE(errors.WaitFor(1));
    EXPECT_EQ(errors.Codes(), std::vector<int>{ERR_UNSAFE_REMOTE_NAME});

    Progress upload;
    ASSERT_EQ(documents->PutFile(Wide(LocalFile("b.jpg", 100)).c_str(), &Progress::Callback, upload.context()), 1);
    EXPECT_EQ(documents->WaitForTransfer(), 1);
    CFtpElement* uploaded = documents->arElements[documents->arElements.GetSize() - 1];
    EXPECT_EQ(uploaded->GetName(), CString(L"b.jpg"));
    EXPECT_EQ(documents->DeleteElement(uploaded), 1);
    EXPECT_EQ(log.Count(NOTIFY_FOLDER_ITEM_DELETED), 1u);
    EXPECT_EQ(root->DeleteElement(documents), 0) << "a folder that is not empty stays";
    ASSERT_EQ(documents->Browse(), 1);
    for (CFtpElement* element : documents->arElements) EXPECT_NE(element->GetName(), CString(L"b.jpg"));
}

TEST(FolderListing, NamesComeInDocumentOrderInTheirEncoding) {
    const std::string listing =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
        "<!DOCTYPE folder-listing SYSTEM \"obex-folder-listing.dtd\">\n"
        "<folder-listing version=\"1.0\"><parent-folder/><folder name=\"Images\"/>"
        "<file name=\"caf\xC3\xA9.txt\" size=\"12ab\"/><file size=\"1\"/><file name=\"a &amp; b\"/></folder-listing>";
    std::vector<ListingEntry> entries;
    ASSERT_TRUE(ParseFolderListing(listing, &entries));
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_TRUE(entries[0].folder);
    EXPECT_EQ(entries[0].name, L"Images");
    EXPECT_EQ(entries[1].name, L"café.txt");
    EXPECT_EQ(entries[1].size, 12u);
    EXPECT_EQ(entries[2].name, L"a & b");

    // Without a declared encoding: UTF-8 when the bytes are UTF-8, else the default code page.
    ASSERT_TRUE(ParseFolderListing("<folder-listing><file name=\"caf\xC3\xA9\"/></folder-listing>", &entries));
    EXPECT_EQ(entries[0].name, L"café");
    ASSERT_TRUE(ParseFolderListing("<folder-listing><file name=\"caf\xE9\"/></folder-listing>", &entries));
    EXPECT_EQ(entries[0].name, L"café");

    EXPECT_FALSE(ParseFolderListing("<other><file name=\"x\"/></other>", &entries));
    EXPECT_FALSE(ParseFolderListing("not xml at all", &entries));
    // An entity the document declares itself is never expanded.
    const std::string bomb =
        "<!DOCTYPE folder-listing [<!ENTITY a \"aaaaaaaaaa\">]><folder-listing><file name=\"&a;\"/></folder-listing>";
    ASSERT_TRUE(ParseFolderListing(bomb, &entries) || entries.empty());
    for (const ListingEntry& entry : entries) EXPECT_EQ(entry.name.find(L"aaaa"), std::wstring::npos);
}

}  // namespace
