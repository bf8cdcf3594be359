#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "foundation/archive.h"
#include "foundation/file_error.h"

namespace trqx {

// Type codes of the field format file (0 to 41). Only the codes other code refers to by
// name are listed; every value in range is valid.
enum FieldType : int {
  kTypeHdrFixed = 0,
  kTypeHdr = 1,
  kTypeData = 2,
  kTypeHdrUuid = 3,
  kTypeDataSide = 4,
  kTypeHdrDelimiter = 5,
  kTypeDataAmount = 6,
  kTypeDataLimit = 7,
  kTypeDataExchange = 8,
  kTypeDataOrderType = 9,
  kTypeDataCusip = 10,
  kTypeHdrBasketId = 11,
  kTypeHdrCacheable = 12,
  kTypeDataCacheable = 13,
  kTypeDataOrderId = 27,
  kTypeDataCsi = 28,
  kTypeDataTif = 29,
  kTypeDataReason = 37,
  kTypeExecQuantity = 38,
  kTypeExecPrice = 39,
  kTypeExecAsOfTime = 40,
  kTypeExecYellowKey = 41,
  kTypeLast = 41,
};

enum FieldCategory : int { kCategoryUpload = 0, kCategoryDownload = 1, kCategoryBoth = 2 };

// The label the upload field lists show for a type code ("Hdr(Fixed)", "Data", ...); download
// types show their download label; "" outside 0-41.
const char* FieldTypeLabel(int type);
// The label the client's download field list shows: "Cache Hdr", "Cache Data", the
// download type labels for 14-26 and 30-36, "Data" for any other type.
const char* DownloadFieldTypeLabel(int type);

// One field definition ("OstraneField").
class OstraneField : public CArchivable {
 public:
  static constexpr const char* kClassName = "OstraneField";
  void Save(TokenList& tokens) const override;
  // Fails on a bad structure or a Type outside 0-41. Any Category loads; one outside 0-2
  // puts the field in neither of the registry's lists.
  bool Load(const TokenList& tokens, std::size_t& pos);

  std::string m_name;
  int m_width = 0;
  int m_type = 0;
  int m_category = 0;
};

// One Input -> Output replacement ("CTranslation").
class CTranslation : public CArchivable {
 public:
  static constexpr const char* kClassName = "CTranslation";
  void Save(TokenList& tokens) const override;
  bool Load(const TokenList& tokens, std::size_t& pos);

  std::string m_input;
  std::string m_output;
};

// The field format file read into its upload and download lists.
class FieldFormatRegistry {
 public:
  // Reads the file, which must exist, with writers locked out; replaces what was read
  // before. On failure both lists are empty and fileError tells a file that could not be
  // read (error filled; a missing file is one) from bad content (a record that is not a
  // valid "OstraneField").
  bool Read(const std::string& fileName, CFileError& error, bool& fileError);

  const std::vector<OstraneField>& UploadFields() const { return m_upload; }
  const std::vector<OstraneField>& DownloadFields() const { return m_download; }
  int CacheHdrCount() const { return m_cacheHdrCount; }          // Category 2, Type 12
  int CacheDataCount() const { return m_cacheDataCount; }        // Category 2, Type 13
  int DownloadOnlyCount() const { return m_downloadOnlyCount; }  // Category 1

  // Test and program set-up: file one definition as the reader does.
  void Add(const OstraneField& field);
  void Clear();

 private:
  std::vector<OstraneField> m_upload;
  std::vector<OstraneField> m_download;
  int m_cacheHdrCount = 0;
  int m_cacheDataCount = 0;
  int m_downloadOnlyCount = 0;
};

// Reads a plain value list into values (cleared first): one value per line, trimmed of white
// space at both ends, in file order; a blank line gives an empty value. Lines are read whole
// at any length (a line past 500 characters is neither cut nor split). On failure values
// is empty and error filled.
bool ReadValueList(const std::string& fileName, std::vector<std::string>& values,
                   CFileError& error);

}  // namespace trqx
