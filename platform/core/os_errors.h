// Result codes. The program keeps the Mac OS result codes as its currency: the operator message tables key on
// them, and stored logs and studio scripts know them. System calls report errno, which `osErrFromErrno` maps.
#pragma once

#include <cstdint>

namespace vorl {

using OSErr = std::int16_t;

inline constexpr OSErr noErr = 0;
inline constexpr OSErr dskFulErr = -34;
inline constexpr OSErr nsvErr = -35;
inline constexpr OSErr ioErr = -36;
inline constexpr OSErr bdNamErr = -37;
inline constexpr OSErr fnOpnErr = -38;
inline constexpr OSErr eofErr = -39;
inline constexpr OSErr tmfoErr = -42;
inline constexpr OSErr fnfErr = -43;
inline constexpr OSErr wPrErr = -44;
inline constexpr OSErr fLckdErr = -45;
inline constexpr OSErr vLckdErr = -46;
inline constexpr OSErr fBsyErr = -47;
inline constexpr OSErr dupFNErr = -48;
inline constexpr OSErr opWrErr = -49;
inline constexpr OSErr paramErr = -50;
inline constexpr OSErr rfNumErr = -51;
inline constexpr OSErr wrPermErr = -61;
inline constexpr OSErr memFullErr = -108;
inline constexpr OSErr nilHandleErr = -109;
inline constexpr OSErr memWZErr = -111;
inline constexpr OSErr memPurErr = -112;
inline constexpr OSErr memLockedErr = -117;
inline constexpr OSErr dirNFErr = -120;
inline constexpr OSErr resNotFound = -192;
inline constexpr OSErr resFNotFound = -193;
inline constexpr OSErr addResFailed = -194;
// The resource map (or the AppleDouble sidecar that holds it) is malformed.
inline constexpr OSErr mapReadErr = -199;
inline constexpr OSErr afpAccessDenied = -5000;
inline constexpr OSErr afpObjectTypeErr = -5025;

// The one errno -> result code map. Codes with no closer Mac meaning become ioErr.
OSErr osErrFromErrno(int error) noexcept;

}  // namespace vorl
