// The language link: translated texts by module and key, with the Polish text as default.
#pragma once

#include <string>

// The host's lookup: writes the text of (module, key) into buffer (size bytes with the NUL)
// and answers nonzero when a translation exists.
using TMLgLookup = int (*)(void* context, const char* module, const char* key,
                           const char* defaultText, char* buffer, int size);

class TMLgExtTools {
 public:
  TMLgExtTools(void* context, TMLgLookup lookup) : context_(context), lookup_(lookup) {}
  TMLgExtTools(const TMLgExtTools&) = delete;
  TMLgExtTools& operator=(const TMLgExtTools&) = delete;

  // The translation of (module, key); `defaultText` when the host has none.
  std::string GetString(const std::string& module, const std::string& key,
                        const std::string& defaultText) const;

  // The same through a link that may be null: a null link answers the default.
  static std::string Get(const TMLgExtTools* link, const std::string& module,
                         const std::string& key, const std::string& defaultText) {
    return link != nullptr ? link->GetString(module, key, defaultText) : defaultText;
  }

 private:
  void* context_;
  TMLgLookup lookup_;
};
