// Result codes of the imaging library and their messages.
#pragma once

#include <cstdint>

namespace veltor {

// Kept by every pixel store as its last error. Operations return 1 or 0 and
// leave the cause here; the numeric values are compared by callers and never
// change (3 and 6 are unused).
enum class LibraryError : int32_t {
    NoError = 0,                 // the last undo/redo succeeded
    BuildFailed = 1,             // the level array could not grow, or a store could not be built from its input
    MemoryAllocation = 2,        // a sample buffer or bitmap could not be allocated
    NoUndoLevel = 4,             // undo of a pixel entry found no earlier level
    NoRedoLevel = 5,             // redo of a pixel entry found no later level
    UnknownBitmapFormat = 7,     // an input bitmap bit count other than 1, 4, 8, 16, 24 or 32
    NotAllowedInMonochrome = 8,  // a colour-only operation asked of a grey image
    NotAllowedInColour = 9,      // a grey-only operation asked of a colour image
};

// The message of `code`; an empty text for codes without one (1, unused codes).
const char* libraryErrorText(LibraryError code);

} // namespace veltor
