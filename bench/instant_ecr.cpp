// A stand-in for ELZAB's communication programs that answers at once, so that a benchmark of
// the goods export measures the driver and not the register. Copied under each program's
// name; it writes what the driver reads back (the identification, the VAT table, an empty
// list of refused goods) and a report of success, and notes the size of its input in
// "instant-ecr.log" in the current (exchange) directory. The reading programs hand over the
// outputs prepared in the folder INSTANT_ECR_OUTPUTS names, linked (not copied) into place,
// so that an import of a million lines measures the driver's reading and not the copying.
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// A register that holds 100 000 goods, so that no PLU of the benchmark is withdrawn.
constexpr char kIdentification[] =
    "#1\r\n#\r\n#\r\n$1\t1\tBEN00000001\tMini online\t100000\t1\t1.00\r\n";
constexpr char kVatTable[] =
    "#1\r\n#\r\n#\r\n$23,00\t8,00\t5,00\t0,00\tZWOLNIONA\tREZERWA\tREZERWA\r\n";
constexpr char kHeader[] = "#1\r\n#\r\n#\r\n";

bool WriteText(const std::string& path, const std::string& text, const char* mode = "wb") {
  std::FILE* f = std::fopen(path.c_str(), mode);
  if (f == nullptr) return false;
  const bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  return std::fclose(f) == 0 && ok;
}

long long SizeOf(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return -1;
  std::fseek(f, 0, SEEK_END);
  const long long size = std::ftell(f);
  std::fclose(f);
  return size;
}

// The program's name in lower case, without its folder and ".exe".
std::string ProgramName(const char* argv0) {
  std::string name = argv0;
  const size_t slash = name.find_last_of("/\\");
  if (slash != std::string::npos) name.erase(0, slash + 1);
  std::transform(name.begin(), name.end(), name.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (name.size() > 4 && name.compare(name.size() - 4, 4, ".exe") == 0)
    name.resize(name.size() - 4);
  return name;
}

// Links the prepared output `name` into the current directory; false when it is prepared
// but cannot be placed.
bool Prepared(const std::string& name) {
  const char* folder = std::getenv("INSTANT_ECR_OUTPUTS");
  if (folder == nullptr) return false;
  const std::string source = std::string(folder) + "/" + name;
  if (SizeOf(source) < 0) return false;
  std::remove(name.c_str());
  return link(source.c_str(), name.c_str()) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string name = ProgramName(argv[0]);
  const std::string input = argc > 1 ? argv[1] : "";
  const std::string output = argc > 2 ? argv[2] : "";
  bool ok = true;
  if (name == "otypurz") {
    ok = WriteText(output, kIdentification);
  } else if (name == "opodatek") {
    ok = WriteText(output, kVatTable);
  } else if (name == "ospopmax") {
    for (const char* part : {"ospopmax_sprz.out", "ospopmax_sort.out", "ospopmax_opak.out"}) {
      if (!Prepared(part)) ok = WriteText(part, kHeader) && ok;
    }
  } else if (name == "opsproz4" || name == "opsproz5") {
    if (!Prepared(name + ".out")) ok = WriteText(output, kHeader) && ok;
  } else if (!output.empty()) {
    ok = WriteText(output, kHeader);
  }
  const std::string report =
      name + ".exe 2026-12-08 10:00:00\r\n#0;OK\r\nPort: COM1\r\n" +
      "Kasa: Mini online nr 1\r\nPlik wejściowy: " + input +
      "\r\nPlik wyjściowy: " + (output.empty() ? "-" : output) +
      "\r\nRekordów: 0\r\nZapisanych: 0\r\nOdrzuconych: 0\r\n#\t0\tP0\t0\r\n";
  ok = WriteText("RAPORT.TXT", report) && ok;
  ok = WriteText("instant-ecr.log", name + " " + std::to_string(SizeOf(input)) + "\n", "ab") && ok;
  return ok ? 0 : 1;
}
