#pragma once
// The search `nimbrel --search` asks for: the Search Devices command as soon as the program is
// up and, when that search has ended and the list shows what it found, one line `found N` (the
// devices shown) on standard output, for a script that waits for the devices.
class CMainFrame;

namespace start_search {

void Run(CMainFrame& frame);

}  // namespace start_search
