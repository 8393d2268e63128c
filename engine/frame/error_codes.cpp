#include "engine/frame/error_codes.h"

#include "engine/frame/error_manager.h"

namespace {

struct ErrorText {
    int code;
    const wchar_t* text;
};

// The texts are the system's own, as users have always seen them.
const ErrorText kEngineErrors[] = {
    {ERR_OBEX_INIT, L"Can't initialize the connection with the remote device !"},
    {ERR_OBEX_CONNECT, L"Can't connect to the remote device !"},
    {ERR_OBEX_PUT_HEADERS, L"Error when putting Headers to the OBEX Server"},
    {ERR_OBEX_GET_HEADERS, L"Error when getting Headers to the OBEX Server"},
    {ERR_OBEX_INCORRECT_INIT, L"Error Incorrect Initialization"},
    {ERR_OBEX_REMOTE_DIRECTORY, L"Can't access to remote directory"},
    {ERR_OBEX_ABORT, L"Error while aborting connection with the OBEX Device"},
    {ERR_OBEX_TIMEOUT, L"The remote device did not answer in time."},
    {ERR_OBEX_BUSY, L"Another operation with the remote device is still running."},
    {ERR_OBEX_BODY_PAST_LENGTH, L"The remote device sent more data than the size it announced."},
    {ERR_OBEX_NO_PROGRESS, L"The remote device kept answering without sending any data."},
    {ERR_LOCAL_WRITE, L"Writing the received file failed: the disk may be full."},
    {ERR_PUSH_NOT_CONNECTED, L"Trying to push an object on non-connected device"},
    {ERR_PUSH_ABORTED, L"The distant device abort the transfer."},
    {ERR_FILE_TOO_LARGE, L"The file is too large to be transferred (4 GB or more)."},
    {ERR_UNSAFE_REMOTE_NAME, L"The remote file name can't be used for a local file."},
    {ERR_SPP_NO_COM_PORT, L"No COM port avalaible"},
    {ERR_SPP_CONNECT, L"Can't connect serial port with the remote device"},
    {ERR_INQUIRY_NO_STOP, L"The inquiry thread don't stop in the required time"},
    {ERR_INQUIRY_RUNNING, L"Try to clear device although there is an inquiry thread"},
    {ERR_REMOTE_COD, L"Can't get the COD of the remote device"},
    {ERR_REMOTE_NAME, L"Can't get the name of the remote device"},
    {ERR_SERVICE_DISCONNECTED, L"A distant service is disconnected"},
    {ERR_PIN_TOO_LONG, L"The PIN is longer than 16 bytes."},
    {ERR_PIN_REQUESTS_TAKEN, L"Another application wait for PIN Request"},
    {ERR_COM_INIT, L"Can't initialize COM/DCOM"},
    {ERR_WINSOCK_INIT, L"Can't initialize Winsock"},
    {ERR_SCAN_WRITE, L"Can't change the status scan of the local device"},
    {ERR_FOUND_DEVICE_COD, L"Can't get the remote device COD"},
    {ERR_BTS_STOP, L"Can't stop the BTS service"},
    {ERR_BTS_RESTART, L"Can't restart the BTS service"},
    {ERR_STACK_ACCESS, L"Can't access to the bluetooth stack"},
    {ERR_NO_HARDWARE, L"No Bluetooth hardware detected"},
    {ERR_HARDWARE_SHUTDOWN, L"The adapter is installed, but the stack is not running (HCI_HARDWARE_SHUTDOWN)."},
    {ERR_HARDWARE_NOT_PRESENT, L"The adapter is not present (HCI_HARDWARE_NOT_PRESENT)."},
    {ERR_HARDWARE_STATUS, L"Can't get the hardware status."},
    {ERR_SHORTCUT_DAMAGED, L"A shortcut in the registry is damaged and was skipped."},
    {ERR_REGISTRY_DAMAGED, L"The registry file was damaged: it was kept aside and the settings start empty."},
    {ERR_DOM_NOT_FOUND, L"Document Object Model (DOM) component not found"},
    {ERR_LISTING_TOO_LARGE, L"The remote folder listing is too large."},
    {ERR_OBEX_COMPONENT, L"OBEX component not found"},
    {ERR_SERVER_NO_COM_PORT, L"No COM port avalaible"},
};

}  // namespace

void RegisterEngineErrors() {
    for (const auto& error : kEngineErrors) NewError(error.code, error.text);
}
