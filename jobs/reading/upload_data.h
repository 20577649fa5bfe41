// The upload data of the current job: what the web-upload and retail metadata written into output images carry.
//
// One instance for the process: the reader sets the e-mail entry block, the customer e-mail and the group code
// of every job it reads, and the metadata writers read them. The destination code (1 until an output sets it)
// and the ticket number belong to the outputs. Only the worker writes it, inside a step.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/text/pascal_string.h"

namespace vorl {

inline constexpr std::size_t kEmailEntryBufferSize = 4096;

struct UploadData {
  // A keyed archive of the front end's own data; its length is the little-endian int32 at 4092.
  std::array<std::uint8_t, kEmailEntryBufferSize> emailEntryBuffer{};
  std::int16_t ftpSite = 1;
  Str255 customerEmail;
  Str255 groupCode;
  Str255 ticketNumber;
};

const UploadData& currentUploadData() noexcept;

void setEmailEntryBuffer(std::span<const std::uint8_t, kEmailEntryBufferSize> block) noexcept;
void setCustomerEmail(const Str255& email) noexcept;
void setGroupCode(const Str255& code) noexcept;
// Set by the outputs: the web upload's destination code and the ticket number (the current image's name).
void setftpSite(std::int16_t code) noexcept;
void setTicketNumber(const Str255& ticket) noexcept;

}  // namespace vorl
