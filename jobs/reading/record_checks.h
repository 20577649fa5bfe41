// Whether the length-prefixed strings inside a stored record read from a job file fit their fields.
//
// A length byte larger than its field can only come from a damaged file or one the producer never wrote; a
// string built on it would take bytes from the fields that follow. The job-file reader refuses such a record
// (read error 101) instead of guessing.
#pragma once

#include "foundation/records/color_sync_records.h"
#include "foundation/records/job_records.h"
#include "foundation/records/print_to_file_record.h"

namespace vorl {

bool lengthBytesFit(const tColorSyncPrefs& record) noexcept;
bool lengthBytesFit(const tSpecialPrintToFilePref& record) noexcept;
bool lengthBytesFit(const tJobInfo& record) noexcept;

}  // namespace vorl
