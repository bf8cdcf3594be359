#pragma once

#include <cstddef>
#include <vector>

#include "foundation/field_format.h"

namespace trqx {

// Type codes of the download field list that other code refers to by name; the codes 14 to
// 26 and 30 to 36 each have a column in the order file.
enum DownLoadFieldType : int {
  kTypeDownLoadUuid = 14,
  kTypeFilledShares = 20,
  kTypeBasketId = 25,
  kTypeOrderRefId = 26,
  kTypeTradeSysNumber = 30,
  kTypeSedol = 36,
};

// Whether a field of this type has a column in the order file.
constexpr bool HasOrderColumn(int type) {
  return (type >= kTypeDownLoadUuid && type <= kTypeOrderRefId) ||
         (type >= kTypeTradeSysNumber && type <= kTypeSedol);
}

// Whether the walks that number the order-file columns report this type as invalid.
constexpr bool IsInvalidColumnWalkType(int type) {
  return type == kTypeDataOrderId || type > kTypeLast;
}

// The order-file column of a field list's Basket ID and Order ID, found by one walk.
struct OrderColumns {
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
  std::size_t m_basketId = kNone;   // kNone when the list has no Type 25 field
  std::size_t m_orderRefId = 0;     // column 0 when the list has no Type 26 field
  std::size_t m_columnCount = 0;    // how many columns an order record has
  int m_invalidTypes = 0;           // fields of a type the column walks report as invalid
  int m_invalidBeforeBasketId = 0;  // of those, the ones before the Basket ID field
};

// The columns of the first Type 25 and the first Type 26 field of fields.
OrderColumns FindOrderColumns(const std::vector<OstraneField>& fields);

}  // namespace trqx
