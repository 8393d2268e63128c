#pragma once
// The query of one SDP service-search-attribute lookup: the target's socket address, the
// restriction (one UUID, one attribute range) and the query set pointing at both. The object
// owns everything the query points into, so it must stay put while the lookup begins.
#include "platform/bluetooth/bt_namespace.h"

// Everything declared here is part of the platform library's interface.
#pragma GCC visibility push(default)

struct BthServiceSearchQuery {
    BthServiceSearchQuery(BT_ADDR target, const SdpQueryUuid& uuid, WORD minAttribute, WORD maxAttribute) {
        address.addressFamily = AF_BTH;
        address.btAddr = target;
        csa.RemoteAddr.lpSockaddr = &address;
        csa.RemoteAddr.iSockaddrLength = sizeof address;
        restriction.type = SDP_SERVICE_SEARCH_ATTRIBUTE_REQUEST;
        restriction.uuids[0] = uuid;
        restriction.numRange = 1;
        restriction.pRange[0] = {minAttribute, maxAttribute};
        blob = {sizeof restriction, reinterpret_cast<BYTE*>(&restriction)};
        query.dwSize = sizeof query;
        query.dwNameSpace = NS_BTH;
        query.lpcsaBuffer = &csa;
        query.lpBlob = &blob;
    }
    BthServiceSearchQuery(const BthServiceSearchQuery&) = delete;
    BthServiceSearchQuery& operator=(const BthServiceSearchQuery&) = delete;

    SOCKADDR_BTH address{};
    CSADDR_INFO csa{};
    BTHNS_RESTRICTIONBLOB restriction{};
    BLOB blob{};
    WSAQUERYSETW query{};
};

#pragma GCC visibility pop
