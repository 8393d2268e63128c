#pragma once
// What a simulated remote device does as an OBEX client of our servers, over a session on its
// link: push one object, or list the shared folder. Each says goodbye at the end.
#include <string>
#include <vector>

#include "platform/obex/obex_session.h"

namespace sim {

// CONNECT (no target), PUT with Name and Length and the body in as many packets as it takes,
// DISCONNECT. The outcome of the first step that did not succeed, else of the PUT.
obex::SessionResult PushObject(obex::ClientSession& session, const std::wstring& name,
                               const std::vector<std::uint8_t>& body);

// CONNECT to Folder Browsing, GET of "x-obex/folder-listing", DISCONNECT. A listing longer than
// `limit` is aborted: TooLarge.
obex::SessionResult ListFolder(obex::ClientSession& session, std::size_t limit, std::string* listing);

// "Success", "Forbidden (0xC3)": a response code for people, with the code as it travels.
std::string ResponseText(obex::ResponseCode code);

}  // namespace sim
