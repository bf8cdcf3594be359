#pragma once

#include <gtest/gtest.h>

#include <string>

#include "foundation/field_format.h"
#include "support/fields.h"
#include "support/scratch_folder.h"
#include "support/upload_request.h"
#include "upload/mapping.h"

namespace trqx {

inline std::string GoldenPath(const std::string& name) {
  return std::string(TRQX_TEST_DATA) + "/upload/" + name;
}

// The golden field format file.
inline FieldFormatRegistry GoldenFields() {
  FieldFormatRegistry format;
  CFileError error;
  bool fileError = false;
  EXPECT_TRUE(format.Read(GoldenPath("NVFormat.cfg"), error, fileError));
  return format;
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
