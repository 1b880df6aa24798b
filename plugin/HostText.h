// The one way texts cross into and out of the host's buffers.
#pragma once

#include <cstddef>
#include <string>

// Size of every text buffer the host hands the driver (300 characters and the NUL).
inline constexpr size_t kHostTextSize = 301;
inline constexpr size_t kHostTextMax = kHostTextSize - 1;

// Writes `text` into a host buffer of kHostTextSize bytes: at most 300 characters, the rest
// of the first 300 bytes NUL, and NUL at index 300. With `trim`, blanks and control
// characters around the text are removed first. A null buffer is left alone.
void WriteHostText(char* buffer, const std::string& text, bool trim) noexcept;
// The text of a host buffer: up to its first NUL, at most `max` characters; empty for null.
std::string ReadHostText(const char* buffer, size_t max = kHostTextMax);
