#include "platform/core/os_errors.h"

#include <cerrno>

namespace vorl {

OSErr osErrFromErrno(int error) noexcept {
  switch (error) {
    case 0:
      return noErr;
    case ENOENT:
      return fnfErr;
    case EEXIST:
    case ENOTEMPTY:
      return dupFNErr;
    case ENOSPC:
    case EDQUOT:
    // A file that may grow no further (the file-size limit) is a full disk to the program.
    case EFBIG:
      return dskFulErr;
    case ENAMETOOLONG:
      return bdNamErr;
    case EMFILE:
    case ENFILE:
      return tmfoErr;
    case EROFS:
      return vLckdErr;
    case EACCES:
    case EPERM:
      return afpAccessDenied;
    case ENOTDIR:
      return dirNFErr;
    case EISDIR:
      return afpObjectTypeErr;
    case EINVAL:
      return paramErr;
    case EBUSY:
    case ETXTBSY:
      return fBsyErr;
    case ENOMEM:
      return memFullErr;
    case ENODEV:
    case ENXIO:
      return nsvErr;
    case EBADF:
      return rfNumErr;
    default:
      return ioErr;
  }
}

}  // namespace vorl
