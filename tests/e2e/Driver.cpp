#include "e2e/Driver.h"

#include <cstdint>
#include <cstring>

#include "testutil/TempDir.h"

#ifndef _WIN32
#include <elf.h>
#endif

namespace e2e {

std::string LibraryPath() {
#ifdef _WIN32
  return testutil::Join(testutil::BinDir(), "trelvax.dll");
#else
  return testutil::Join(testutil::BinDir(), "libtrelvax.so");
#endif
}

bool Buffer::WellFormed() const {
  size_t n = std::strlen(bytes_.data());
  if (n > 300) return false;
  for (size_t i = n; i <= 300; ++i) {
    if (bytes_[i] != '\0') return false;
  }
  for (size_t i = 301; i < bytes_.size(); ++i) {
    if (bytes_[i] != '\xCD') return false;
  }
  return true;
}

bool Buffer::GuardIntact() const {
  for (size_t i = 301; i < bytes_.size(); ++i) {
    if (bytes_[i] != '\xCD') return false;
  }
  return true;
}

void DriverTest::SetUp() {
  std::string error;
  ASSERT_TRUE(driver.Load(LibraryPath(), error)) << error;
  x = driver.Api();
  host.exchangeDir = dir.Path();
}

void DriverTest::TearDown() {
  if (lib != nullptr && x.ZwolnijBiblioteke != nullptr) x.ZwolnijBiblioteke(lib);
  lib = nullptr;
}

void DriverTest::RegisterLibrary(const std::set<int>& codes) {
  lib = x.RejestrujBiblioteke(&host, nullptr, nullptr, nullptr);
  ASSERT_NE(lib, nullptr);
  host.RegisterServices([this](void* f, int code) { x.RejestrujCallback(lib, f, code); }, codes);
}

int DriverTest::Operation(int code, int parameter, HTVKDLLSKSESJA session,
                          const std::string& sessionName) {
  std::strcpy(sessionBuffer.data(), sessionName.c_str());
  HTVKDLLSKSESJA handle = session;
  return x.SerKasOperacja(lib, &host, &handle, sessionBuffer.data(), code, parameter);
}

namespace {

uint32_t U32(const std::string& b, size_t at) {
  if (at + 4 > b.size()) return 0;
  return static_cast<uint32_t>(static_cast<unsigned char>(b[at])) |
         static_cast<uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8 |
         static_cast<uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16 |
         static_cast<uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24;
}
uint16_t U16(const std::string& b, size_t at) {
  if (at + 2 > b.size()) return 0;
  return static_cast<uint16_t>(static_cast<unsigned char>(b[at]) |
                               static_cast<unsigned char>(b[at + 1]) << 8);
}

[[maybe_unused]] std::vector<std::string> PeExports(const std::string& b, std::string& error) {
  std::vector<std::string> names;
  const size_t pe = U32(b, 0x3c);
  if (b.compare(pe, 4, std::string("PE\0\0", 4)) != 0) {
    error = "no PE signature";
    return names;
  }
  const size_t coff = pe + 4;
  const uint16_t sections = U16(b, coff + 2);
  const uint16_t optSize = U16(b, coff + 16);
  const size_t opt = coff + 20;
  if (U16(b, opt) != 0x20b) {
    error = "not PE32+";
    return names;
  }
  const uint32_t exportRva = U32(b, opt + 112);
  const size_t table = opt + optSize;
  auto toOffset = [&](uint32_t rva) -> size_t {
    for (uint16_t i = 0; i < sections; ++i) {
      const size_t s = table + i * 40u;
      const uint32_t va = U32(b, s + 12), size = U32(b, s + 8), raw = U32(b, s + 20);
      if (rva >= va && rva < va + size) return raw + (rva - va);
    }
    return b.size();
  };
  const size_t dirOffset = toOffset(exportRva);
  const uint32_t count = U32(b, dirOffset + 24);
  const size_t namesOffset = toOffset(U32(b, dirOffset + 32));
  for (uint32_t i = 0; i < count; ++i) {
    const size_t at = toOffset(U32(b, namesOffset + i * 4u));
    if (at >= b.size()) break;
    names.emplace_back(b.c_str() + at);
  }
  return names;
}

#ifndef _WIN32
std::vector<std::string> ElfExports(const std::string& b, std::string& error) {
  std::vector<std::string> names;
  if (b.size() < sizeof(Elf64_Ehdr) || b.compare(0, 4,
                                                 "\x7f"
                                                 "ELF") != 0) {
    error = "no ELF header";
    return names;
  }
  Elf64_Ehdr eh;
  std::memcpy(&eh, b.data(), sizeof(eh));
  std::vector<Elf64_Shdr> sh(eh.e_shnum);
  for (size_t i = 0; i < sh.size(); ++i) {
    std::memcpy(&sh[i], b.data() + eh.e_shoff + i * eh.e_shentsize, sizeof(Elf64_Shdr));
  }
  for (const Elf64_Shdr& s : sh) {
    if (s.sh_type != SHT_DYNSYM) continue;
    const Elf64_Shdr& strtab = sh[s.sh_link];
    for (size_t off = 0; off + sizeof(Elf64_Sym) <= s.sh_size; off += sizeof(Elf64_Sym)) {
      Elf64_Sym sym;
      std::memcpy(&sym, b.data() + s.sh_offset + off, sizeof(sym));
      const int bind = ELF64_ST_BIND(sym.st_info);
      if (sym.st_shndx == SHN_UNDEF || sym.st_name == 0) continue;
      if (bind != STB_GLOBAL && bind != STB_WEAK) continue;
      names.emplace_back(b.c_str() + strtab.sh_offset + sym.st_name);
    }
  }
  return names;
}
#endif

}  // namespace

std::vector<std::string> ExportedNames(const std::string& path, std::string& error) {
  const std::string bytes = testutil::ReadFile(path);
  if (bytes.empty()) {
    error = "cannot read " + path;
    return {};
  }
#ifdef _WIN32
  return PeExports(bytes, error);
#else
  return ElfExports(bytes, error);
#endif
}

}  // namespace e2e
