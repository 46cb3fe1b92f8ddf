#include "imaging/library_error.h"

namespace veltor {

const char* libraryErrorText(LibraryError code)
{
    switch (code) {
    case LibraryError::NoError:
        return "No Error";
    case LibraryError::MemoryAllocation:
        return "Memory Allocation Error";
    case LibraryError::NoUndoLevel:
        return "There is no other undo level";
    case LibraryError::NoRedoLevel:
        return "There is no other redo level";
    case LibraryError::UnknownBitmapFormat:
        return "Unknown bitmap format";
    case LibraryError::NotAllowedInMonochrome:
        return "Operation not allowed in monochrome image";
    case LibraryError::NotAllowedInColour:
        return "Operation not allowed in color image";
    case LibraryError::BuildFailed:
        break;
    }
    return "";
}

} // namespace veltor
