// Values decoded from a keyed archive, as property-list values to write out again.
//
// A property list has no null, so nulls are left out: a null inside an array or a dictionary is dropped, and a
// null at the top gives nothing. An instance of a class the decoder does not know becomes the dictionary of its
// decoded fields (its class name is not kept). Dates keep their moment.
#pragma once

#include <optional>

#include "platform/plists/keyed_archive.h"
#include "platform/plists/property_list.h"

namespace vorl {

std::optional<PlistValue> archivedValueToPlist(const ArchivedValue& value);

}  // namespace vorl
