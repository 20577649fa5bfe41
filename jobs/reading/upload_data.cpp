#include "jobs/reading/upload_data.h"

#include <algorithm>

namespace vorl {
namespace {

UploadData gUploadData;

}  // namespace

const UploadData& currentUploadData() noexcept { return gUploadData; }

void setEmailEntryBuffer(std::span<const std::uint8_t, kEmailEntryBufferSize> block) noexcept {
  std::copy(block.begin(), block.end(), gUploadData.emailEntryBuffer.begin());
}

void setCustomerEmail(const Str255& email) noexcept { gUploadData.customerEmail = email; }
void setGroupCode(const Str255& code) noexcept { gUploadData.groupCode = code; }
void setftpSite(std::int16_t code) noexcept { gUploadData.ftpSite = code; }
void setTicketNumber(const Str255& ticket) noexcept { gUploadData.ticketNumber = ticket; }

}  // namespace vorl
