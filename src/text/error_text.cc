#include "text/error_text.h"

#include <cerrno>
#include <cstring>

namespace logvane {

namespace {

struct ErrorText {
  int error;
  const char* text;
};

// glibc's texts for the errors that opening, reading, writing and closing a
// file can give. Other C libraries word some of them otherwise: wasi-libc
// says "I/O error", "Filename too long" and "Symbolic link loop".
constexpr ErrorText GLIBC_TEXTS[] = {
    {EPERM, "Operation not permitted"},
    {ENOENT, "No such file or directory"},
    {EINTR, "Interrupted system call"},
    {EIO, "Input/output error"},
    {ENXIO, "No such device or address"},
    {EBADF, "Bad file descriptor"},
    {EAGAIN, "Resource temporarily unavailable"},
    {ENOMEM, "Cannot allocate memory"},
    {EACCES, "Permission denied"},
    {EFAULT, "Bad address"},
    {EBUSY, "Device or resource busy"},
    {EEXIST, "File exists"},
    {EXDEV, "Invalid cross-device link"},
    {ENODEV, "No such device"},
    {ENOTDIR, "Not a directory"},
    {EISDIR, "Is a directory"},
    {EINVAL, "Invalid argument"},
    {ENFILE, "Too many open files in system"},
    {EMFILE, "Too many open files"},
    {ETXTBSY, "Text file busy"},
    {EFBIG, "File too large"},
    {ENOSPC, "No space left on device"},
    {ESPIPE, "Illegal seek"},
    {EROFS, "Read-only file system"},
    {EMLINK, "Too many links"},
    {EPIPE, "Broken pipe"},
    {ENAMETOOLONG, "File name too long"},
    {ENOLCK, "No locks available"},
    {ENOSYS, "Function not implemented"},
    {ELOOP, "Too many levels of symbolic links"},
    {EOVERFLOW, "Value too large for defined data type"},
    {EILSEQ, "Invalid or incomplete multibyte or wide character"},
    {ENOTSUP, "Operation not supported"},
    {ETIMEDOUT, "Connection timed out"},
// Microsoft's C runtime has no number for these two.
#ifdef ESTALE
    {ESTALE, "Stale file handle"},
#endif
#ifdef EDQUOT
    {EDQUOT, "Disk quota exceeded"},
#endif
};

}  // namespace

const char* describe_error(int error) noexcept {
  for (const ErrorText& known : GLIBC_TEXTS) {
    if (known.error == error) return known.text;
  }
  return std::strerror(error);
}

}  // namespace logvane
