#pragma once
// The engine's error codes, grouped by hundreds: 700xx OBEX client, 701xx object push,
// 702xx serial-port client, 703xx inquiry thread, 704xx remote device, 705xx local device and
// stack, 706xx folder listing, 707xx OBEX server component, 708xx serial-port server,
// 709xx SDP profile (registered by the host).
#include "engine/frame/export.h"

constexpr int ERR_OBEX_INIT = 70001;
constexpr int ERR_OBEX_CONNECT = 70002;
constexpr int ERR_OBEX_PUT_HEADERS = 70003;
constexpr int ERR_OBEX_GET_HEADERS = 70004;
constexpr int ERR_OBEX_INCORRECT_INIT = 70005;
constexpr int ERR_OBEX_REMOTE_DIRECTORY = 70006;
constexpr int ERR_OBEX_ABORT = 70007;
constexpr int ERR_OBEX_TIMEOUT = 70008;          // an answer did not come within the time-out
constexpr int ERR_OBEX_BUSY = 70009;             // one operation at a time per session
constexpr int ERR_OBEX_BODY_PAST_LENGTH = 70010;
constexpr int ERR_OBEX_NO_PROGRESS = 70011;
constexpr int ERR_LOCAL_WRITE = 70012;  // a fetched file could not be written here (the disk is full, say)
constexpr int ERR_PUSH_NOT_CONNECTED = 70100;
constexpr int ERR_PUSH_ABORTED = 70101;
constexpr int ERR_FILE_TOO_LARGE = 70102;      // OBEX lengths stop below 4 GiB
constexpr int ERR_UNSAFE_REMOTE_NAME = 70103;  // a listed name that is no plain local file name
constexpr int ERR_SPP_NO_COM_PORT = 70200;
constexpr int ERR_SPP_CONNECT = 70201;
constexpr int ERR_INQUIRY_NO_STOP = 70300;
constexpr int ERR_INQUIRY_RUNNING = 70301;
constexpr int ERR_REMOTE_COD = 70400;
constexpr int ERR_REMOTE_NAME = 70401;
constexpr int ERR_SERVICE_DISCONNECTED = 70402;
constexpr int ERR_PIN_TOO_LONG = 70403;  // the stack takes PINs of 1 to 16 bytes
constexpr int ERR_PIN_REQUESTS_TAKEN = 70500;
constexpr int ERR_COM_INIT = 70501;
constexpr int ERR_WINSOCK_INIT = 70502;
constexpr int ERR_SCAN_WRITE = 70503;
constexpr int ERR_FOUND_DEVICE_COD = 70504;
constexpr int ERR_BTS_STOP = 70505;
constexpr int ERR_BTS_RESTART = 70506;
constexpr int ERR_STACK_ACCESS = 70507;
constexpr int ERR_NO_HARDWARE = 70508;
constexpr int ERR_HARDWARE_SHUTDOWN = 70509;
constexpr int ERR_HARDWARE_NOT_PRESENT = 70510;
constexpr int ERR_HARDWARE_STATUS = 70511;
constexpr int ERR_SHORTCUT_DAMAGED = 70512;  // one shortcut entry, skipped at loading
constexpr int ERR_REGISTRY_DAMAGED = 70513;  // the registry file, kept aside at start
constexpr int ERR_DOM_NOT_FOUND = 70600;
constexpr int ERR_LISTING_TOO_LARGE = 70601;
constexpr int ERR_OBEX_COMPONENT = 70700;
constexpr int ERR_SERVER_NO_COM_PORT = 70800;
constexpr int ERR_SDP_PROFILE = 70900;

// Adds every engine error with its text to the error table, in table order.
NIMBREL_API void RegisterEngineErrors();
