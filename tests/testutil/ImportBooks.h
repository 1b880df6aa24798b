// What a back office books from the import files it took in, for tests that compare what a
// disturbed sequence of imports stored with what an undisturbed one did.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace testutil {

// Per sale date ("YYYYMMDD "): the goods quantity and value per code ("qty 12", "value 12"),
// each money total of the financial section (the packaging totals overwritten by a file that
// says so, "NADPISZ_OPAK;T", the others added), each hourly line and other-operation line
// counted; and each document appended after the buffer (receipt, invoice, void, cancelled
// receipt, deposit, withdrawal), by its whole text, counted ("document " + text).
using Books = std::map<std::string, long long>;

Books Book(const std::vector<std::string>& files);
// The books one entry a line, for a readable difference.
std::string Show(const Books& books);
// How many documents whose first line is `header` the books hold.
long long Documents(const Books& books, const std::string& header);

}  // namespace testutil
