#pragma once
// A File Transfer peer for ScriptedObexServer: a root folder with files and one sub-folder,
// served as a well-behaved server would, unless told to misbehave in one of the ways real
// peers do.
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "support/scripted_obex_server.h"

namespace testsupport {

struct FtpPeerBehaviour {
    std::map<std::wstring, std::string> files{};  // in the root, by name
    std::wstring folder = L"sub";               // the root's one sub-folder (empty: none)
    std::size_t extraEntries = 0;               // more files listed in the root, f0000001.txt on
    std::size_t bodyPerAnswer = 30000;

    bool silent = false;                       // answers nothing at all
    bool quietAfterFirstAnswer = false;        // a GET gets its first answer, then silence
    std::optional<obex::Opcode> neverAnswered{};  // requests of this kind get no answer at all
    std::optional<std::uint32_t> claimedLength{};  // the Length a file's GET announces
    bool continueForever = false;              // a file's GET gets bodiless Continues for ever
    bool strictAbort = false;                  // an ABORT with nothing open is refused (0xD1)
    bool refuseSetPath = false;                // as obexftpd: every SETPATH is Forbidden
    std::size_t listingPadding = 0;            // bytes of XML comment ahead of the listing
};

// The script; it keeps its state (where the client is, what a GET has still to send).
ScriptedObexServer::Script FtpPeer(FtpPeerBehaviour behaviour);

}  // namespace testsupport
