#pragma once

#include <cstddef>
#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "foundation/archive.h"
#include "foundation/cache_file.h"
#include "foundation/field_format.h"
#include "foundation/file_error.h"

namespace trqx {

// How a mapping is chosen for a desk file ("FileMapType").
enum FileMapType : int {
  kMapByFileName = 0,         // the exact file name in Filename
  kMapByFormatExtension = 1,  // ".CSV", ".TXT" or ".DAT" by Format
  kMapByGivenExtension = 2,   // the extension in Filename (without its dot)
};

// The source layout of a mapping ("Format").
enum MappingFormat : int {
  kFormatComma = 0,
  kFormatTab = 1,
  kFormatFixed = 2,
};

// The envelope opening block of an upload file: "START-OF-FILE", "LOGIN=", "SN=", "WS=".
// The system is carried but not written.
struct PortfolioLoginBlock {
  std::string m_login;
  std::string m_serialNumber;
  std::string m_workstation;
  std::string m_system;
};

// Everything one conversion needs from its caller (the client's settings and state).
struct ConvertRequest {
  std::string m_deskPath;          // the desk file to read
  std::string m_uploadPath;        // the upload file to create (an old one is replaced)
  std::string m_cacheDir;          // where the basket cache file goes
  std::string m_uuidText;          // the settings' user UUID, "%lu"
  std::string m_login;             // basket suffix: the portfolio login, or empty (caller decides)
  std::string m_terminalUserUuid;  // "USERUUID" of the registry; empty when unreadable
  std::optional<PortfolioLoginBlock> m_loginBlock;  // envelope written only when present
  int m_uploadMethod = 0;                           // 0 terminal program, 1 client/server
  bool m_autoIncrement = false;                     // "Auto Increment Flag"
  bool m_useUuid = false;                           // "Use UUID Flag"
  bool m_useServerSn = false;                       // "Use Server S/N"
  std::time_t m_when = 0;                           // the conversion's time (names the cache file)
  // The field format's upload fields, which place the "Ticker" field; none: no ticker.
  const std::vector<OstraneField>* m_uploadFields = nullptr;
};

// Why a conversion failed. kFileError carries m_fileError (the caller logs the code and the
// function); every other cause is a conversion that could not be done for this file.
enum class ConvertFailure {
  kNone,
  kFileError,  // desk, upload or cache file could not be opened, read or written
  kBadFormat,  // the mapping's Format does not suit its kind
  kBadRecord,  // bad quoting in the desk file (a quote still open at a line feed or the end)
  kTooLarge,   // out of memory (the rows the mapping keeps do not fit)
};

// What a conversion leaves behind. On failure the upload file may exist, partly written.
struct ConvertResult {
  bool m_ok = false;
  ConvertFailure m_failure = ConvertFailure::kNone;
  CFileError m_fileError;         // filled for kFileError
  std::string m_basketValue;      // header value of the Basket ID field, before numbering
  std::string m_delimiter;        // header value of the Delimiter field ("" when none)
  bool m_basketNumbered = false;  // automatic numbering gave currentBasketId a new number
  std::vector<std::string> m_cacheHeaderValues;  // one per Type 12 field, mapping order
  std::size_t m_cacheRecords = 0;    // "DATA" records of the accepted rows (in the cache file)
  std::size_t m_recordsWritten = 0;  // data records in the upload file
};

// The selection and format part of every upload mapping ("CMapping", 3 entries), and the
// interface of the two kinds. A mapping owns its field mappings; copies are deep.
class CMapping : public CArchivable {
 public:
  static constexpr const char* kClassName = "CMapping";

  explicit CMapping(int format, bool convertDots) : m_format(format), m_convertDots(convertDots) {}
  ~CMapping() override = default;

  // Writes the nested "CMapping" object (FileMapType, Filename, Format; never "IsFilename").
  void Save(TokenList& tokens) const override = 0;

  // Converts one desk file into one upload file (and the basket cache file when cacheable
  // values were collected). currentBasketId is the settings' "Current Basket ID": automatic
  // numbering replaces it (and this mapping's Basket ID Constant) even when the conversion
  // fails later. Never throws.
  virtual ConvertResult Convert(const ConvertRequest& request, std::string& currentBasketId) = 0;

  // A deep copy of the whole mapping.
  virtual std::unique_ptr<CMapping> Clone() const = 0;

  // Reads the mapping's own object (its class name first) at pos; on success pos is past it.
  // Fails on bad structure and the load checks; a failed mapping must be discarded.
  virtual bool Load(const TokenList& tokens, std::size_t& pos) = 0;

  // Appends default field mappings while this mapping has fewer than fields has; matching
  // is by position only, so extra field mappings of the mapping are kept.
  virtual void ReconcileFields(const std::vector<OstraneField>& fields) = 0;
  virtual std::size_t FieldCount() const = 0;

  // Whether this mapping's file rule accepts the file name (FileMapType 0, 1 or 2; names
  // are compared trimmed and upper-cased).
  bool MatchesFile(std::string_view fileName) const;

  int m_fileMapType = kMapByFormatExtension;
  std::string m_filename;  // the file name, or the extension without its dot
  int m_format = kFormatComma;
  bool m_convertDots = true;  // not stored: "." becomes "/" in the ticker field

 protected:
  CMapping(const CMapping&) = default;
  CMapping& operator=(const CMapping&) = default;

  void SaveBase(TokenList& tokens) const;
  // Reads the nested "CMapping" object; fails on a Format other than 0, 1 or 2. The retired
  // "IsFilename" sets FileMapType 0 (TRUE) or 1 (anything else).
  bool LoadBase(const TokenList& tokens, std::size_t& pos);

  // The archive form both concrete mappings share: the "CMapping" object, one int member
  // (startKey: the first converted row or line), then one field map per field.
  template <class FieldMapT>
  void SaveWithFields(TokenList& tokens, std::string_view className, std::string_view startKey,
                      int start, const std::vector<FieldMapT>& fields) const {
    WriteObjectHeader(tokens, className, static_cast<int>(fields.size()) + 2);
    SaveBase(tokens);
    WriteInt(tokens, startKey, start);
    WriteEntry(tokens, FieldMapT::kClassName, fields);
  }
  template <class FieldMapT>
  bool LoadWithFields(const TokenList& tokens, std::size_t& pos, std::string_view className,
                      std::string_view startKey, int& start, std::vector<FieldMapT>& fields) {
    fields.clear();
    return LoadObject(tokens, pos, className, [&](std::string_view key, std::size_t& p) {
      if (key == kClassName) {
        return Loaded(LoadBase(tokens, p));
      }
      if (key == startKey) {
        return Loaded(ReadInt(tokens, p, start));
      }
      if (key == FieldMapT::kClassName) {
        return Loaded(ReadEntry(tokens, p, fields));
      }
      return MemberRead::kUnknownKey;
    });
  }
  // Appends a field map for each field definition beyond the ones the mapping has.
  template <class FieldMapT>
  static void AppendMissingFields(std::vector<FieldMapT>& fields,
                                  const std::vector<OstraneField>& definitions) {
    for (std::size_t i = fields.size(); i < definitions.size(); ++i) {
      fields.emplace_back(definitions[i]);
    }
  }
};

}  // namespace trqx
