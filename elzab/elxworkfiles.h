// Working files in the exchange directory, which other programs (an antivirus, an indexer, a
// backup, a second station) may hold open for a moment: deleting and replacing them with a
// second of retries, writing a record so that it is never read half written, and reading one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace workfiles {

// Tries `attempt` for about a second (10 tries, 100 ms apart) until it succeeds; false when it
// never did.
bool Briefly(const std::function<bool()>& attempt);
// Deletes a file, trying again for a moment while another program holds it open; false when it
// is still there. The error naming it when a folder has its name.
bool Remove(const std::string& path);
// Remove, with the error "Nie można usunąć pliku ..." when the file stays.
void RemoveOrFail(const std::string& path);
// Writes `text` whole into `fresh`, puts it on the disk, then puts it in place of `path`: a file
// cut short by a full disk, a crash or a power cut is never read. Exception on failure, with
// `fresh` removed.
void ReplaceWhole(const std::string& path, const std::string& fresh, const std::string& text);
// Reads the record at `path` whole into `text`, or its first `limit` bytes and one more when it
// is longer; false when nothing is there. An error naming the path when something is there that
// is not a readable file (a folder under the record's name, a file that cannot be opened): a
// record that cannot be read must never be taken for no record.
bool ReadRecord(const std::string& path, std::string& text, size_t limit);
// A checksum of a file's bytes; false when it cannot be read.
bool Checksum(const std::string& path, uint64_t& sum);

}  // namespace workfiles
