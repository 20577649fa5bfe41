// The working folders under the print-server root: images, print jobs (the spooler folder), finished jobs,
// unknown jobs, database and graphics.
//
// They are made where missing whenever the processor starts or switches processing on, and when the operator
// chooses a root folder, so a folder deleted while the program was not looking comes back.
#pragma once

#include <cstdint>

#include "platform/core/mac_types.h"

namespace vorl {

// Makes the six folders under the root (+0, +2) where missing and stores the ids of the first five in the
// print-server record, with the root's volume. A folder that cannot be made is shown to the operator and its
// field left as it was. Answers the result of the last operation.
OSErr createImageAndJobFolders();
// The same six under the second root (+328, +330); stores nothing.
OSErr createImageAndJobFolders2();
// The id of the folder `name` (Mac Roman) inside (vRefNum, dirID); -9999 when there is none.
std::int32_t FindFolderByName(std::int16_t vRefNum, std::int32_t dirID, const char* name);

}  // namespace vorl
