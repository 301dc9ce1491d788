#ifndef LOGVANE_DRIVER_DOCUMENT_FILE_H_
#define LOGVANE_DRIVER_DOCUMENT_FILE_H_

#include "platform/system.h"

namespace logvane {

/// Opens path for the document, creating it or emptying it, unless it names
/// the log, open as log: then nothing is opened or changed, and *error is
/// SAME_FILE. When that cannot be known, because the identity of either
/// file cannot be read, nothing is emptied either: NO_FILE, with the
/// system's error number. Only a disk file is emptied, so a device such as
/// the null device can take the document. A disk file is locked first,
/// waiting while another run writes it, and stays locked until it is
/// closed; the document is then the one a stopped run discards.
FileHandle open_document(const char* path, FileHandle log,
                         OpenError* error) noexcept;

/// Gets rid of a document that could not be completed: the file open as
/// document is emptied, and path is removed only if it still names that
/// very file and is no link. document may be NO_FILE after a failed close;
/// then path is removed if it names a plain file.
void discard_document(const char* path, FileHandle document) noexcept;

/// Closes a complete document; returns 0 or the error number of the close.
/// A stop after this leaves the document as it is.
int close_document(FileHandle document) noexcept;

/// Has a run that is stopped from outside discard the document it is
/// writing, as a failed run does, before it ends.
void discard_document_when_stopped() noexcept;

}  // namespace logvane

#endif  // LOGVANE_DRIVER_DOCUMENT_FILE_H_
