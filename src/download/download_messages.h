#pragma once

#include <string_view>

namespace trqx {

// The download converter's message-box texts. The numbered ones (log entries and the log-file
// error) are in the converter's string table.

// Order file, active mapping file
inline constexpr std::string_view kMsgUnableToOpenFile = "Error: Unable to open file ";
inline constexpr std::string_view kMsgCheckActiveMapping =
    "\nCheck to see if a 'Download' mapping was set to 'Active'";
inline constexpr std::string_view kMsgCouldNotReadActiveMapping =
    "CActiveDownLoadMappingFile::_OpenLoadAndClose() Could not read activedw.pfl file";
inline constexpr std::string_view kMsgUnableToReadFile = "Error: Unable to read file ";
inline constexpr std::string_view kMsgBadOrderRecord = "Error: Bad order record in file ";

// Column walks and the run
inline constexpr std::string_view kMsgGetBasketIdInvalidType =
    "CTRQXDownLoadDlg::GetBasketID - Error - Invalid type";
inline constexpr std::string_view kMsgGetOrderRefIdInvalidType =
    "CTRQXDownLoadDlg::GetOrderRefID - Error - Invalid type";
inline constexpr std::string_view kMsgNoBasketIdField =
    "CTRQXDownLoadDlg::BuildPreMappedArray() Error - No Data(Basket ID) field in the download "
    "field list";
inline constexpr std::string_view kMsgInvalidFieldType =
    "CTRQXDownLoadDlg::BuildPreMappedArray() Error - Invalid OstraneField Type";
inline constexpr std::string_view kMsgSetOutOfBounds =
    "CTRQXDownLoadDlg::BuildPreMappedArray() - Error - call to CDownLoadAssembledRecord::Set() "
    "Out of Bounds";
inline constexpr std::string_view kMsgConvertError =
    "CTRQXDownLoadDlg::BuildPreMappedArray() - Error ";
inline constexpr std::string_view kMsgCacheOpenError =
    "CTRQXDownLoadDlg::GetCacheInfoFromFile(): Error opening file ";
inline constexpr std::string_view kMsgCacheDataError =
    "CTRQXDownLoadDlg::GetCacheInfoFromFile(): Error cache data ";

// Start-up
inline constexpr std::string_view kMsgSoftwareKeyError =
    "Error Opening 'Software' Registry Key, aborting...,Error code:";
inline constexpr std::string_view kMsgVexoPathKeyError =
    "Error Opening 'VEXO_PATH' Registry Key, aborting... Error code:";
inline constexpr std::string_view kMsgRegistryReadError =
    "Error reading Registry information, aborting...";
inline constexpr std::string_view kMsgFieldFormatEndingPrefix = "Program ending, could not read ";
inline constexpr std::string_view kMsgFieldFormatEndingSuffix = " file. Check error log";
inline constexpr std::string_view kMsgSettingsError =
    "CTRQXDownLoadDlg::OnInitDialog(): Program ending, could not read cfg file";
inline constexpr std::string_view kMsgActiveMappingError =
    "CTRQXDownLoadDlg::OnInitDialog() Error - call to CActiveDownLoadMappingFile::OpenLoadAndClose";

// Window texts
inline constexpr std::string_view kDialogCaption = "TRQXDownLoad        Version 2.2f";
inline constexpr std::string_view kInitialPercentText = "Percent Downloaded:  %0";
inline constexpr std::string_view kPercentTextPrefix = "Percent Downloaded: %";
inline constexpr std::string_view kCompleteText = "- DownLoading Complete -";

}  // namespace trqx
