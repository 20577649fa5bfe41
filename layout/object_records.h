// Reading the object records of a job file: the page list, the sub-job list and each node's own list.
//
// Each record: a 40-byte class header (the type code at offset 4), a big-endian int32 length, then the
// descriptor of that length. A keyed image's chroma-key settings (11,444 bytes) follow its
// descriptor, and a node's own list follows the node's record; neither is counted in the size.
//
// What the stored readers left to chance is settled here. A descriptor buffer is zeroed before each record, so a
// short record never inherits the previous record's bytes; a record longer than its descriptor is read to the
// descriptor's size and the rest skipped; an unknown type is reported to the operator and skipped whole. A
// negative size, a size past the end of the file, a string whose length byte exceeds its field, an implausible
// chroma-key record and a node inside a node's list (whose nested records could not be skipped) all make the
// record unreadable, which fails the job.
#pragma once

#include <cstddef>
#include <memory>

#include "layout/job_file_stream.h"
#include "layout/layout_object.h"

namespace vorl {

// Who reads the list: the job view's page and sub-job lists accept nodes; a node's own list does not, and says
// so in its log lines.
enum class ObjectListKind { Page, SubJob, Node };

inline constexpr std::size_t kObjectClassHeaderSize = 40;

// Reads the record at the stream's position. True with `object` set to the new object, or to null when the type
// is unknown and the record was skipped; false when the record cannot be read (the stream's position is then
// undefined and the caller gives up the file).
[[nodiscard]] bool readObjectRecord(JobFileStream& stream, ObjectListKind kind, std::unique_ptr<TLayoutObject>& object);

}  // namespace vorl
