// Windows-1250, the driver's and the host's own bytes, as UTF-8 and back: the text a POSIX
// system's files, programs and terminal take, and the files a person typed in UTF-8.
#pragma once

#include <string>

namespace platform {

// Windows-1250 bytes as UTF-8. Bytes that the code page leaves undefined become U+FFFD.
std::string Cp1250ToUtf8(const std::string& text);
// UTF-8 as Windows-1250; characters the code page lacks become "?". Invalid sequences are
// taken byte by byte as Windows-1250.
std::string Utf8ToCp1250(const std::string& text);
// True when the text holds at least one byte above 127 and all of it is well-formed UTF-8.
bool LooksLikeUtf8(const std::string& text);
// True when the text is well-formed UTF-8 holding a character that Windows-1250 lacks, so
// that converting it would lose that character.
bool Utf8BeyondCp1250(const std::string& text);

}  // namespace platform
