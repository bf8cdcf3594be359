#pragma once

#include <gtest/gtest.h>

#include <ctime>
#include <string>
#include <vector>

#include "foundation/field_format.h"
#include "foundation/scratch_folder.h"
#include "upload/mapping.h"

namespace trqx {

inline std::string GoldenPath(const std::string& name) {
  return std::string(TRQX_TEST_DATA) + "/upload/" + name;
}

struct FieldDef {
  std::string name;
  int width;
  int type;
};

// A field format of exactly these upload fields.
inline FieldFormatRegistry FieldsOf(const std::vector<FieldDef>& defs) {
  FieldFormatRegistry format;
  for (const FieldDef& def : defs) {
    OstraneField field;
    field.m_name = def.name;
    field.m_width = def.width;
    field.m_type = def.type;
    field.m_category = kCategoryUpload;
    format.Add(field);
  }
  return format;
}

// The golden field format file.
inline FieldFormatRegistry GoldenFields() {
  FieldFormatRegistry format;
  CFileError error;
  bool fileError = false;
  EXPECT_TRUE(format.Read(GoldenPath("NVFormat.cfg"), error, fileError));
  return format;
}

// A request into a scratch folder with format's upload fields: desk file "desk", upload file
// "out.inc", cache in the folder itself; no envelope, terminal user equal to the settings'
// UUID; converted on 6 March 2026 at noon, local time, so cache files are named "03-06-26...".
// format must outlive the request.
inline ConvertRequest ScratchRequest(const ScratchFolder& folder,
                                     const FieldFormatRegistry& format) {
  ConvertRequest request;
  request.m_uploadFields = &format.UploadFields();
  request.m_deskPath = folder.File("desk");
  request.m_uploadPath = folder.File("out.inc");
  request.m_cacheDir = folder.Path();
  request.m_uuidText = "12345";
  request.m_terminalUserUuid = "12345";
  std::tm day = {};
  day.tm_year = 2026 - 1900;
  day.tm_mon = 2;
  day.tm_mday = 6;
  day.tm_hour = 12;
  day.tm_isdst = -1;
  request.m_when = std::mktime(&day);
  return request;
}

// Writes desk into the request's desk file, converts, and returns the upload file's bytes.
// basketId, when given, is the "Current Basket ID" that the conversion may advance.
inline std::string ConvertText(CMapping& mapping, const ConvertRequest& request,
                               const std::string& desk, ConvertResult* resultOut = nullptr,
                               std::string* basketId = nullptr) {
  WriteWholeFile(request.m_deskPath, desk);
  std::string ownBasketId = "1";
  ConvertResult result = mapping.Convert(request, basketId ? *basketId : ownBasketId);
  EXPECT_TRUE(result.m_ok) << "failure " << static_cast<int>(result.m_failure);
  if (resultOut != nullptr) {
    *resultOut = result;
  }
  return ReadWholeFile(request.m_uploadPath);
}

}  // namespace trqx
