// The library's version, for a host to read from the file where a system has no version
// resource (`tvkhost --version`): the marker, the version and the source revision, as one text.
#include "platform/Env.h"
#include "trelvax_version.h"

// Kept though nothing refers to it; of this file only, so that it is no export.
__attribute__((used)) static const char trelvax_version_note[] =
    "TRELVAX-VERSION " TRELVAX_VERSION " " TRELVAX_REVISION;

static_assert(sizeof("TRELVAX-VERSION ") == sizeof(platform::kVersionNoteMarker),
              "the note starts with the marker the reader looks for");
