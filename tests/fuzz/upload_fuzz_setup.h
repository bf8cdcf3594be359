#pragma once

#include "support/fields.h"

namespace trqx::fuzz {

// The field format of the upload fuzz targets: one field of every upload type, a ticker,
// and one download field that must stay out of the upload list.
inline const FieldFormatRegistry& UploadFuzzFields() {
  static const FieldFormatRegistry format = FieldsOf({
      {"HDRFIX", 4, kTypeHdrFixed},
      {"UUID", 10, kTypeHdrUuid},
      {"BASKETID", 6, kTypeHdrBasketId},
      {"DELIM", 2, kTypeHdrDelimiter},
      {"NAME", 3, kTypeHdr},
      {"TRADER", 10, kTypeHdrCacheable, kCategoryBoth},
      {"Ticker", 12, kTypeData},
      {"SIDE", 4, kTypeDataSide},
      {"QTY", 40, kTypeDataAmount},
      {"FILLED", 8, 20, kCategoryDownload},
      {"LIMIT", 10, kTypeDataLimit},
      {"EXCH", 4, kTypeDataExchange},
      {"ORDTYPE", 3, kTypeDataOrderType},
      {"CUSIP", 9, kTypeDataCusip},
      {"NOTE", 20, kTypeDataCacheable, kCategoryBoth},
      {"ORDERID", 10, kTypeDataOrderId},
      {"CSI", 1, kTypeDataCsi},
      {"TIF", 3, kTypeDataTif},
      {"REASON", 8, kTypeDataReason},
      {"EXECQTY", 2000, kTypeExecQuantity},
      {"EXECPRICE", 10, kTypeExecPrice},
      {"EXECTIME", 4, kTypeExecAsOfTime},
      {"YELLOW", 2, kTypeExecYellowKey},
  });
  return format;
}

}  // namespace trqx::fuzz
