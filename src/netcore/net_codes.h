// The library's own result codes in one table: value, name and the library's
// text. Negative numbers are the library's; positive ones are Windows Sockets
// codes and have their own table (net_error_str.cpp). Code writes the names
// (`Error = NET::kAlreadyOpen`), NetErrorStr and InterpretError read the texts.
#pragma once

#include <cstdint>
#include <iterator>
#include <string_view>

// X(name, value, text), in code order: -1 to -75, then -90 to -92. Values and
// texts are the library's published ones, typos included; never renumber.
#define BRACKWATER_NET_CODES(X)                                                                                    \
    X(kUnknownError, -1, "Unknown Error (was previously Sparlin DLL not actively initiated)")                      \
    X(kAlreadyActive, -2, "Sparlin DLL already active. Certain options can't be set once the DLL is loaded.")      \
    X(kTooManyInstances, -3, "Too many Sparlin NetAuto instances on one machine")                                  \
    X(kInvalidStructureSize, -4, "Invalid structure size")                                                         \
    X(kStartSequenceFailed, -5, "Main start sequence faile")                                                       \
    X(kCallBackWindowTimeout, -6, "CallBack window timeout")                                                       \
    X(kDataTooShort, -7, "Accepted data too short")                                                                \
    X(kDataOutOfTopic, -8, "Data is out of topic")                                                                 \
    X(kUnknownPacketType, -9, "Unknown packet type received")                                                      \
    X(kNotAllDataSent, -10, "Not all data sent")                                                                   \
    X(kNotAllDataReceived, -11, "Not all data received")                                                           \
    X(kNotAReceiver, -12, "You are trying to send data to someone who is not in the receivers (servers) list.")    \
    X(kNoRequest, -13, "No request")                                                                               \
    X(kRequestNotFound, -14, "Request not found")                                                                  \
    X(kNoServers, -15, "No servers")                                                                               \
    X(kServerNotFound, -16, "Server not found")                                                                    \
    X(kServiceNotSupported, -17, "Service not supported")                                                          \
    X(kBadResponseAddress, -18, "Bad response address")                                                            \
    X(kNewThreadFailed, -19, "New thread failed")                                                                  \
    X(kAddressNotFound, -20, "Address not found")                                                                  \
    X(kIncorrectWinsockVersion, -21, "Incorrect WinSock DLL version")                                              \
    X(kBadParameters, -22, "Bad parameters passed to function")                                                    \
    X(kTooManyListeningSockets, -23, "Too many listening sockets. The maximum has been reached")                   \
    X(kSocketDead, -24, "Socket dead. Could not find socket in listening queue")                                   \
    X(kIncompatiblePacketVersion, -25, "An incompatible packet version was received")                              \
    X(kNoIpAddress, -26, "This machine has no IP address")                                                         \
    X(kServiceInactive, -27, "The service is marked as inactive, because a previous error occurred")               \
    X(kSimpleNotClosed, -28, "The simple connection was not closed properly")                                      \
    X(kTooManySendingSockets, -29, "Too many sending sockets. The maximum has been reached")                       \
    X(kQueueError, -30,                                                                                            \
      "An error occurred while trying to access a memory queue (read or write error). The queue could be full or " \
      "there is not enough memory")                                                                                \
    X(kCouldNotLoad, -31, "An error occurred while trying to load the Sparlin DLL. The DLL could not be loaded.")  \
    X(kOutOfMemory, -32, "Unable to allocate the requested memory")                                                \
    X(kHostOrSocketNotSet, -33,                                                                                    \
      "Host or Socket not specified. Please set the <object>.packet.ToIp and <object>.packet.OnSocket before "     \
      "NetSimple sending data.")                                                                                   \
    X(kClientNotFound, -34, "Could not find connected client in Simple Connect Client or Server")                  \
    X(kFileError, -35, "An error occurred while trying to access a file")                                          \
    X(kNotOpen, -36, "The connection is not open")                                                                 \
    X(kMissingProperties, -37, "The Sparlin object requires more properties to contain valid values")              \
    X(kNoLongerSupported, -38, "This functionality is no longer supported")                                        \
    X(kCouldNotOpen, -39, "Could not open a connection to the specified host machine")                             \
    X(kCouldNotSend, -40, "Could not send NetSimple Data")                                                         \
    X(kFtpError, -41, "A General FTP error occurred")                                                              \
    X(kInvalidStringSize, -42, "Invalid String Size")                                                              \
    X(kNoDialUpEntry, -43, "No Dial-Up Networking Entry. You need a Dial-Up Entry before you can dial.")           \
    X(kDialUpNotQueued, -44, "The DUN (Dial-Up) Object is not in the DLL queue.")                                  \
    X(kDialUpBusy, -45, "The DUN (Dial-Up) Object is busy opening another RAS connection.")                        \
    X(kDialUpProcedures, -46, "Could Not Load the Dial-Up Networking Windows Procedures. DUN will be disabled.")   \
    X(kCouldNotLoadWinsock, -47, "Could not load the WinSock DLL. Sparlin needs this to be able to work.")         \
    X(kCallBackWindowClosed, -48, "Call Back Window Already Closed")                                               \
    X(kCallBackThreadFailed, -49, "Could not create new thread to start Sparlin DLL Callback Window")              \
    X(kRunTimeProcedures, -50, "Could not load some run-time procedures")                                          \
    X(kCorruptPacket, -51, "Received a corrupt packet")                                                            \
    X(kNoPosting, -52, "No Posting Allowed")                                                                       \
    X(kOpenTimeout, -53, "Open Timeout or Failure error")                                                          \
    X(kPingFailed, -54, "Ping unsuccessful")                                                                       \
    X(kAlreadyOpen, -55, "Connection Already Open")                                                                \
    X(kNotInitiated, -56, "Sparlin DLL not actively initiated")                                                    \
    X(kIdleClosed, -57, "Connection was closed because it was idle (inactive)")                                    \
    X(kAlreadyBusy, -58, "Already busy with a command")                                                            \
    X(kNoData, -59, "No Data was received")                                                                        \
    X(kInitNotCalled, -60, "Object's Init method not called before the Object was used")                           \
    X(kSslGeneral, -61, "SSL General Failure")                                                                     \
    X(kSslConnect, -62, "SSL Client failed to Connect")                                                            \
    X(kSslListen, -63, "SSL Server failed to Listen")                                                              \
    X(kSslAccept, -64, "SSL Server failed to Accept New Connection")                                               \
    X(kSslCertificate, -65, "SSL Failed to Load Certificate")                                                      \
    X(kSslPrivateKey, -66, "SSL Failed to Load Private Key")                                                       \
    X(kSslInvalidCertificate, -67, "SSL Local Certificate or Private Key are Invalid")                             \
    X(kSslCaRootFile, -68, "SSL Failed to Load CA Root File")                                                      \
    X(kSslVerification, -69, "The SSL Remote Certificate Failed Verification")                                     \
    X(kSslDates, -70, "The SSL Remote Certificate Had Invalid Dates")                                              \
    X(kSslCommonName, -71, "The SSL Remote Certificate Common Name did not match the Server Name")                 \
    X(kSslVersion, -72, "SSL Incorrect SSL DLL Version")                                                           \
    X(kSslLoadDlls, -73, "SSL Could Not Load SSL DLLs")                                                            \
    X(kSslWrite, -74, "SSL Write Failed")                                                                          \
    X(kSslRead, -75, "SSL Read Failed")                                                                            \
    X(kVersionMismatch, -90, "Sparlin Object and DLL versions do not match")                                       \
    X(kWinSockError, -91, "Sparlin WinSock Error (unknown WinSock error number)")                                  \
    X(kSslError, -92, "Sparlin SSL Error (unknown SSL error number)")

namespace NET {

/// A library result code; converts to the int32_t fields that carry it.
enum Code : int32_t {
#define BRACKWATER_NET_CODE_ENUM(name, value, text) name = value,
    BRACKWATER_NET_CODES(BRACKWATER_NET_CODE_ENUM)
#undef BRACKWATER_NET_CODE_ENUM
};

/// One row of the table.
struct CodeRow {
    int32_t value;
    std::string_view name;  ///< the enumerator's name, for log lines and test messages
    std::string_view text;
};

inline constexpr CodeRow kCodes[] = {
#define BRACKWATER_NET_CODE_ROW(name, value, text) {value, #name, text},
    BRACKWATER_NET_CODES(BRACKWATER_NET_CODE_ROW)
#undef BRACKWATER_NET_CODE_ROW
};
static_assert(std::size(kCodes) == 78, "-1 to -75 and -90 to -92");

/// The row of a library code, or nullptr for a number without one. Any thread.
constexpr const CodeRow* FindCode(int32_t value) {
    for (const auto& row : kCodes)
        if (row.value == value) return &row;
    return nullptr;
}

}  // namespace NET
