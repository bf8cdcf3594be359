#include "foundation/client_strings.h"

#include <array>

#include "foundation/string_table.h"

namespace trqx {

namespace {

using namespace client_strings;

constexpr std::array kEntries{
    StringTableEntry{kMsgAboutMenuItem, "&About TRQXClient..."},
    StringTableEntry{kMsgSystemStartup, "System startup."},
    StringTableEntry{kMsgFileError, "File error, function: %1, code %2."},
    StringTableEntry{kMsgBadFormatFile,
                     "The Norvane upload field format file, %1, has a bad format. "},
    StringTableEntry{kMsgAttemptingUpload, "Attempting to upload %1 to ostrane."},
    StringTableEntry{kMsgUploadFileError,
                     "Failed to upload file to ostrane, file code %1, func. %2."},
    StringTableEntry{kMsgUploadFailedNoMapping,
                     "Failed to upload selected file, no mapping, for file %1."},
    StringTableEntry{kMsgNoMappingFound, "No mapping found for selected file, %1."},
    StringTableEntry{kMsgTerminalAccessFailed,
                     "Failure accessing Open Norvane, code %1, function %2."},
    StringTableEntry{kMsgTerminalUploadSucceeded, "Open Norvane upload completed successfully."},
    StringTableEntry{kMsgTerminalUploadFailed,
                     "Open Norvane complete unsuccessfully with exit code %2."},
    StringTableEntry{kMsgSystemError, "System error, code:%1, function %2."},
    StringTableEntry{kMsgConnectionEstablished, "Connection established."},
    StringTableEntry{kMsgReceivedCloseMessage, "Received close message."},
    StringTableEntry{kMsgConnectionHardClose, "Connection hard close."},
    StringTableEntry{kMsgTimeoutNoData, "Timeout, no data."},
    StringTableEntry{kMsgConnectionUnexpectedlyClosed, "Connection unexpectedly closed."},
    StringTableEntry{kMsgSocketEventError, "Socket event error, error code %1, event %2."},
    StringTableEntry{kMsgSpuriousUnblock, "Spurious unblock."},
    StringTableEntry{kMsgReceivedBadData, "Received bad data."},
    StringTableEntry{kMsgReceivedBadVersion, "Received bad version."},
    StringTableEntry{kMsgTimeoutSendingMessage, "Timeout sending message."},
    StringTableEntry{kMsgClientTaskEnded, "Client task ended."},
    StringTableEntry{kMsgUploadingFile, "Uploading file %1."},
    StringTableEntry{kMsgFreeText, "%1"},
    StringTableEntry{kMsgUuidNotPositive,
                     "A non-zero positive numeric value must be entered for the \"UUID\" Field."},
    StringTableEntry{kMsgPricingNumberNotZero,
                     "For Open Norvane Uploads the PRICINGNUMBER should be zero."},
    StringTableEntry{kMsgRegistryReadFailed, "Failed reading registry key %1, error code=%2"},
};
static_assert(NumbersAreUnique(kEntries));

}  // namespace

const StringTable& ClientStrings() {
  static const CFixedStringTable table(kEntries);
  return table;
}

}  // namespace trqx
