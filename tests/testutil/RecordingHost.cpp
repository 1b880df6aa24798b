#include "testutil/RecordingHost.h"

#include <climits>
#include <cstring>

namespace testutil {

namespace {

void Copy(char* buffer, size_t size, const std::string& text) {
  std::strncpy(buffer, text.c_str(), size - 1);
  buffer[size - 1] = '\0';
}

// What a hostile host writes: the text, then '~' up to the last byte, with no terminator.
void Fill(char* buffer, size_t size, const std::string& text) {
  std::memset(buffer, '~', size);
  std::memcpy(buffer, text.data(), text.size() < size ? text.size() : size);
}

constexpr BOOL kOddTrue = 0x5A5A5A5A;

// A rate of the hostile host's endless lists: the integer's ends and the position in turn.
int GarbageRate(int index) {
  return index % 3 == 0 ? INT_MAX : index % 3 == 1 ? INT_MIN : index;
}

}  // namespace

struct Services {
  // A yes-or-no answer of the host: a hostile host's "yes" is any non-zero value.
  static BOOL Answer(const RecordingHost* h, bool yes) {
    if (!yes) return 0;
    return h->garbage ? kOddTrue : 1;
  }
  static BOOL TVKAPI CzyPrzerwac(HTVKCBARG1 a1, HTVKCBARG2) {
    RecordingHost* h = RecordingHost::Self(a1);
    ++h->abortChecks;
    if (h->abortAfterCalls >= 0 && h->abortChecks > h->abortAfterCalls) return 1;
    if (h->abortWhen && h->abortWhen()) return 1;
    return h->abortAnswer ? 1 : 0;
  }
  static void TVKAPI WartoscParametru(HTVKCBARG1 a1, HTVKCBARG2, const char* name, char* value) {
    RecordingHost* h = RecordingHost::Self(a1);
    auto it = h->params.find(name);
    const std::string text = it != h->params.end() ? it->second : "";
    if (h->garbage) {
      Fill(value, TVKDLL_TEXT_SIZE, text);
    } else {
      Copy(value, TVKDLL_TEXT_SIZE, text);
    }
  }
  static void TVKAPI DaneUrzadzenia(HTVKCBARG1 a1, HTVKCBARG2, int* id, int* number, char* device,
                                    char* station, char* dir) {
    RecordingHost* h = RecordingHost::Self(a1);
    if (h->garbage) {
      *id = INT_MIN;
      *number = INT_MAX;
      Fill(device, TVKDLL_TEXT_SIZE, h->deviceName);
      Fill(station, TVKDLL_TEXT_SIZE, h->stationName);
      Fill(dir, TVKDLL_DIR_SIZE, h->exchangeDir);
      return;
    }
    *id = h->deviceId;
    *number = h->deviceNumber;
    Copy(device, TVKDLL_TEXT_SIZE, h->deviceName);
    Copy(station, TVKDLL_TEXT_SIZE, h->stationName);
    Copy(dir, TVKDLL_DIR_SIZE, h->exchangeDir);
  }
  static void TVKAPI DodajKomunikat(HTVKCBARG1 a1, HTVKCBARG2, int significance, const char* text) {
    RecordingHost* h = RecordingHost::Self(a1);
    h->messages.push_back(HostMessage{significance, text});
    h->events.push_back("12 " + std::string(text));
  }
  static void TVKAPI ZmienOstatniKomunikat(HTVKCBARG1 a1, HTVKCBARG2, int significance,
                                           const char* text) {
    RecordingHost* h = RecordingHost::Self(a1);
    if (h->messages.empty()) {
      h->messages.push_back(HostMessage{significance, text});
    } else {
      h->messages.back() = HostMessage{significance, text};
    }
    h->events.push_back("13 " + std::string(text));
  }
  static BOOL TVKAPI FormatWazony(HTVKCBARG1 a1, HTVKCBARG2, int index, char* text) {
    RecordingHost* h = RecordingHost::Self(a1);
    if (h->garbage) {
      Fill(text, TVKDLL_TEXT_SIZE, "%" + std::to_string(index));
      return kOddTrue;
    }
    if (index < 0 || static_cast<size_t>(index) >= h->weighedFormats.size()) return 0;
    Copy(text, TVKDLL_TEXT_SIZE, h->weighedFormats[static_cast<size_t>(index)]);
    return 1;
  }
  static BOOL TVKAPI StawkaVAT(HTVKCBARG1 a1, HTVKCBARG2, int index, int* rate) {
    RecordingHost* h = RecordingHost::Self(a1);
    if (h->garbage) {
      *rate = GarbageRate(index);
      return kOddTrue;
    }
    if (index < 0 || static_cast<size_t>(index) >= h->vatRates.size()) return 0;
    *rate = h->vatRates[static_cast<size_t>(index)];
    return 1;
  }
  static BOOL TVKAPI StawkaVATPrec(HTVKCBARG1 a1, HTVKCBARG2, int index, int* rate) {
    RecordingHost* h = RecordingHost::Self(a1);
    if (h->garbage) {
      *rate = GarbageRate(index);
      return kOddTrue;
    }
    if (index < 0 || static_cast<size_t>(index) >= h->vatRatesPrec.size()) return 0;
    *rate = h->vatRatesPrec[static_cast<size_t>(index)];
    return 1;
  }
  static BOOL Store(HTVKCBARG1 a1, int code) {
    RecordingHost* h = RecordingHost::Self(a1);
    h->events.push_back(std::to_string(code));
    if (h->onStore) h->onStore(code);
    return Answer(h, h->storeAnswer);
  }
  static BOOL TVKAPI ZapiszWynikEksportu(HTVKCBARG1 a1, HTVKCBARG2) { return Store(a1, 16); }
  static BOOL TVKAPI ZapiszImport(HTVKCBARG1 a1, HTVKCBARG2) { return Store(a1, 17); }
  static BOOL TVKAPI ZapiszParagon(HTVKCBARG1 a1, HTVKCBARG2) { return Store(a1, 18); }
  static BOOL TVKAPI OdczytajTowar(HTVKCBARG1 a1, HTVKCBARG2, char* text, const char* key) {
    RecordingHost* h = RecordingHost::Self(a1);
    h->events.push_back("19 " + std::string(key));
    if (h->garbage) {
      Fill(text, TVKDLL_GOODS_SIZE, std::string("towar ") + key);
      return kOddTrue;
    }
    Copy(text, TVKDLL_GOODS_SIZE, std::string("towar ") + key);
    return 1;
  }
  static void TVKAPI OdswiezParametry(HTVKCBARG1 a1, HTVKCBARG2) {
    RecordingHost::Self(a1)->events.push_back("20");
  }
  static BOOL TVKAPI ZmienParametr(HTVKCBARG1 a1, HTVKCBARG2, const char* name, const char* value) {
    RecordingHost* h = RecordingHost::Self(a1);
    h->events.push_back("21 " + std::string(name) + "=" + value);
    if (!h->storeAnswer) return 0;
    h->stored[name] = value;
    h->params[name] = value;
    return Answer(h, true);
  }
  static BOOL TVKAPI ZajmijZasob(HTVKCBARG1 a1, HTVKCBARG2, const char* name) {
    RecordingHost* h = RecordingHost::Self(a1);
    ++h->resourceRequests;
    h->events.push_back("22 " + std::string(name));
    return Answer(h, h->grantResource);
  }
  static void TVKAPI ZwolnijZasob(HTVKCBARG1 a1, HTVKCBARG2, const char* name) {
    RecordingHost::Self(a1)->events.push_back("23 " + std::string(name));
  }
  static void TVKAPI KasujFlageAlarmu(HTVKCBARG1 a1, HTVKCBARG2) {
    RecordingHost::Self(a1)->events.push_back("24");
  }
  static int TVKAPI WstrzymajOperacje(HTVKCBARG1 a1, HTVKCBARG2, const char* text, int value) {
    RecordingHost* h = RecordingHost::Self(a1);
    h->events.push_back("25 " + std::string(text));
    return h->garbage ? INT_MIN : value;
  }
  static BOOL TVKAPI ZapiszStanLicznika(HTVKCBARG1 a1, HTVKCBARG2, const int*, int count) {
    RecordingHost::Self(a1)->events.push_back("28 " + std::to_string(count));
    return 1;
  }
  static BOOL TVKAPI ZapiszStanICzasLicznika(HTVKCBARG1 a1, HTVKCBARG2, const int*, int count,
                                             const char* time) {
    RecordingHost::Self(a1)->events.push_back("31 " + std::to_string(count) + " " + time);
    return 1;
  }
  static int TVKAPI DodajTowarZKasy(HTVKCBARG1 a1, HTVKCBARG2, const char* t1, int, const char*,
                                    int, const char*, const char*, int, double, double, double,
                                    double, int, int, const char*) {
    RecordingHost* h = RecordingHost::Self(a1);
    h->events.push_back("33 " + std::string(t1));
    return h->garbage ? INT_MIN : 7;
  }
  static BOOL TVKAPI Translate(void* context, const char* module, const char* key, const char*,
                               char* buffer, int size) {
    RecordingHost* h = static_cast<RecordingHost*>(context);
    h->translationKeys.push_back(std::string(module) + "/" + key);
    if (h->garbage) {
      Fill(buffer, static_cast<size_t>(size), h->translateAll);
      return kOddTrue;
    }
    if (!h->translateAll.empty()) {
      Copy(buffer, static_cast<size_t>(size), h->translateAll);
      return 1;
    }
    auto it = h->translations.find(std::string(module) + "/" + key);
    if (it == h->translations.end()) return 0;
    Copy(buffer, static_cast<size_t>(size), it->second);
    return 1;
  }
};

RecordingHost::RecordingHost() {
  language.context = this;
  language.GetString = &Services::Translate;
}

std::set<int> RecordingHost::AllServices() {
  return {5, 6, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 28, 31, 32, 33, 34};
}

void RecordingHost::RegisterServices(const std::function<void(void*, int)>& reg,
                                     const std::set<int>& codes) {
  auto fn = [](auto f) { return reinterpret_cast<void*>(f); };
  const std::map<int, void*> table = {
      {5, fn(&Services::CzyPrzerwac)},
      {6, fn(&Services::WartoscParametru)},
      {11, fn(&Services::DaneUrzadzenia)},
      {12, fn(&Services::DodajKomunikat)},
      {13, fn(&Services::ZmienOstatniKomunikat)},
      {14, fn(&Services::FormatWazony)},
      {15, fn(&Services::StawkaVAT)},
      {16, fn(&Services::ZapiszWynikEksportu)},
      {17, fn(&Services::ZapiszImport)},
      {18, fn(&Services::ZapiszParagon)},
      {19, fn(&Services::OdczytajTowar)},
      {20, fn(&Services::OdswiezParametry)},
      {21, fn(&Services::ZmienParametr)},
      {22, fn(&Services::ZajmijZasob)},
      {23, fn(&Services::ZwolnijZasob)},
      {24, fn(&Services::KasujFlageAlarmu)},
      {25, fn(&Services::WstrzymajOperacje)},
      {28, fn(&Services::ZapiszStanLicznika)},
      {31, fn(&Services::ZapiszStanICzasLicznika)},
      {32, fn(&Services::StawkaVATPrec)},
      {33, fn(&Services::DodajTowarZKasy)},
      {34, static_cast<void*>(&language)},
  };
  for (int code : codes) {
    auto it = table.find(code);
    if (it != table.end()) reg(it->second, code);
  }
}

std::vector<std::string> RecordingHost::Texts() const {
  std::vector<std::string> out;
  for (const HostMessage& m : messages) out.push_back(m.text);
  return out;
}

std::vector<std::string> RecordingHost::ErrorTexts() const {
  std::vector<std::string> out;
  for (const HostMessage& m : messages) {
    if (m.significance == 2) out.push_back(m.text);
  }
  return out;
}

std::string RecordingHost::Dump() const {
  std::string out;
  for (const HostMessage& m : messages) {
    out += (m.significance == 2 ? "! " : m.significance == 1 ? "? " : "  ");
    for (char c : m.text) out += c == '\x01' ? '|' : c;
    out += "\n";
  }
  return out;
}

}  // namespace testutil
