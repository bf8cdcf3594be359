#pragma once

#include <gtest/gtest.h>

#include <string>

#include "foundation/field_format.h"
#include "support/scratch_folder.h"
#include "upload/mapping.h"

namespace trqx {

inline std::string GoldenPath(const std::string& name) {
  return std::string(TRQX_TEST_DATA) + "/upload/" + name;
}

// Reads the golden field format file into the program-wide registry.
inline void UseGoldenFields() {
  CFileError error;
  bool fileError = false;
  ASSERT_TRUE(TheFieldFormat().Read(GoldenPath("NVFormat.cfg"), error, fileError));
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
