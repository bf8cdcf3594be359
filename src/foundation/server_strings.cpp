#include "foundation/server_strings.h"

#include <array>

#include "foundation/string_table.h"

namespace trqx {

namespace {

using namespace server_strings;

constexpr std::array kEntries{
    StringTableEntry{kMsgAboutMenuItem, "&About VEXOServer..."},
    StringTableEntry{kMsgSystemStarting, "VEXO Server system starting."},
    StringTableEntry{kMsgFileError, "File error code:%1, function %2."},
    StringTableEntry{kMsgSystemError, "System error, code: %1, function: %2."},
    StringTableEntry{kMsgRegistryReadFailed, "Failed reading registry key %1, error code=%2"},
    StringTableEntry{kMsgSystemEnding, "VEXO Server system ending."},
    StringTableEntry{kMsgAcceptTaskStarted, "Accept task stared, now servicing clients."},
    StringTableEntry{kMsgAcceptTaskEndedGood,
                     "Accept task ended in good state, no longer servicing clients."},
    StringTableEntry{kMsgAcceptTaskEndedBad,
                     "Accept task ended in bad state, no longer servicing clients."},
    StringTableEntry{kMsgTooManyClients, "Failed to accept client %1, too many clients."},
    StringTableEntry{kMsgInvalidClient, "Remote host rejected, invalid client %1."},
    StringTableEntry{kMsgNoAvailableId, "Failed to accept client, no available id."},
    StringTableEntry{kMsgAcceptedRemoteHost, "Accepted remote host, %1."},
    StringTableEntry{kMsgSocketError, "Socket error code: %1, function: %2."},
    StringTableEntry{kMsgUnexpectedSocketClose, "Unexpected socket close."},
    StringTableEntry{kMsgReceivedBadData, "Received bad data."},
    StringTableEntry{kMsgReceivedCloseMessage, "Received close message."},
    StringTableEntry{kMsgBadLogin, "Bad login, closing remote host."},
    StringTableEntry{kMsgTransmissionCancelled, "File transmissiopn cancelled remotely."},
    StringTableEntry{kMsgCancelRequestReceived,
                     "Received file upload cancel request from remote host."},
    StringTableEntry{kMsgTimeoutNoData, "Timeout, no data received."},
    StringTableEntry{kMsgTimeoutSendingMessage, "Timeout sending message."},
    StringTableEntry{kMsgHardSocketClose, "Hard socket close."},
    StringTableEntry{kHistTooManyClients, "Remote host rejected, too many clients."},
    StringTableEntry{kHistInvalidClient, "Remote host rejected, invalid client."},
    StringTableEntry{kHistNoFreeResources, "Remote host rejected, no free resources(id)."},
    StringTableEntry{kHistAccepted, "Remote host accepted."},
    StringTableEntry{kHistFileReceived, "File %1 received from remote host."},
    StringTableEntry{kHistCancelRequest, "Cancel request received from remote host."},
    StringTableEntry{kHistOffline, "Remote host offline."},
    StringTableEntry{kHistOfflineError, "Remote host offline, because an error occurred."},
    StringTableEntry{kMsgFtpTaskStarted, "FTP task started."},
    StringTableEntry{kMsgFtpTaskEndedGood, "FTP task ended in good state."},
    StringTableEntry{kMsgFtpTaskEndedBad, "FTP task ended in bad state."},
    StringTableEntry{kMsgPutOutcome, "%1 %2 to FTP server"},
    StringTableEntry{kMsgSwitchingServers, "Switching FTP servers."},
    StringTableEntry{kMsgQueueFull, "Failed to queue data because queue is full."},
    StringTableEntry{kMsgInternetException, "Internet exception, error %1, context %2."},
    StringTableEntry{kMsgSuccessfullySent, "successfully sent"},
    StringTableEntry{kMsgFailedOnSend, "failed on send"},
};
static_assert(NumbersAreUnique(kEntries));

}  // namespace

const StringTable& ServerStrings() {
  static const CFixedStringTable table(kEntries);
  return table;
}

}  // namespace trqx
