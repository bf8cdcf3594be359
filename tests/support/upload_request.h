#pragma once

// Header-only: users link the upload layer they test.

#include "foundation/field_format.h"
#include "support/local_time.h"
#include "support/scratch_folder.h"
#include "upload/mapping.h"

namespace trqx {

// A request into a scratch folder with format's upload fields: desk file "desk", upload file
// "out.inc", cache in the folder itself; no envelope, terminal user equal to the settings'
// UUID; converted on March6th2026(), so cache files are named "03-06-26...". format must
// outlive the request.
inline ConvertRequest ScratchRequest(const ScratchFolder& folder,
                                     const FieldFormatRegistry& format) {
  ConvertRequest request;
  request.m_uploadFields = &format.UploadFields();
  request.m_deskPath = folder.File("desk");
  request.m_uploadPath = folder.File("out.inc");
  request.m_cacheDir = folder.Path();
  request.m_uuidText = "12345";
  request.m_terminalUserUuid = "12345";
  request.m_when = March6th2026();
  return request;
}

}  // namespace trqx
