#include "engine/service/client_spp.h"

// The virtual COM port work comes with the serial driver; until then a connection attempt
// fails and is reported as such (CServiceDistant's makeConnection).
CClientSpp::CClientSpp(CDevice* device) : CServiceDistant(device) { setIdentity(SERVICE_ID_SPP, L"Serial Port"); }
CClientSpp::~CClientSpp() = default;

CClientDun::CClientDun(CDevice* device) : CServiceDistant(device) {
    setIdentity(SERVICE_ID_DUN, L"Dial-Up Networking");
}
CClientDun::~CClientDun() = default;
