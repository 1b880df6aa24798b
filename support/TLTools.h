// File and text utilities every action carries: archiving a working file under a dated
// header, writing a buffer to a file, the Polish-letter code-page conversion, length limits,
// the EAN-13 check digit and the host installation's binaries directory.
#pragma once

#include <string>

class TMLgExtTools;

class TLTools {
 public:
  enum e_just { left = 0, right = 1 };
  // The rows of the code-page table that the driver converts between.
  enum PlRow : int { plCp852 = 0, plMazovia = 1, plCp1250 = 2, plPlain = 6 };

  // Sets the conversion of `tools` from row `in` to row `out` for a scope, and puts back the
  // one before it on the way out, whichever way that is.
  class CodePages {
   public:
    CodePages(TLTools& tools, int in, int out)
        : tools_(tools), in_(tools.pltype_in), out_(tools.pltype_out) {
      tools.pltype_in = in;
      tools.pltype_out = out;
    }
    CodePages(const CodePages&) = delete;
    CodePages& operator=(const CodePages&) = delete;
    ~CodePages() {
      tools_.pltype_in = in_;
      tools_.pltype_out = out_;
    }

   private:
    TLTools& tools_;
    int in_;
    int out_;
  };

  // Appends the source file to the archive file: an optional dated header (export or
  // import, with the mode line of an export), an optional extra line, then every line of the
  // source, each ended by CR LF. Nothing happens when the source does not exist. File errors
  // pass to the caller as Exception naming the path.
  void ArchiveFile(const std::string& source, const std::string& archive,
                   const TMLgExtTools* lgLink, bool exportFlag, int mode, bool header,
                   const std::string& extraLine);
  // Creates or truncates the file and writes `content` byte for byte.
  void BufToFile(const std::string& content, const std::string& path);

  // Converts the Polish letters of `text` from row pltype_in to row pltype_out of the
  // code-page table, in place; returns the result.
  std::string plstring(std::string& text) const;
  // The same conversion in place, without the copy (for the megabytes of a goods file).
  void PlConvert(std::string& text) const;
  // A copy cut to `max` characters; with `ellipsis`, a cut copy longer than 3 ends in "...".
  static std::string StrMax(const std::string& text, int max, bool ellipsis);
  // Fits `text` to `size` characters in place: padding with `fill` on side `pad`, cutting
  // on side `cut`. Returns the result.
  static std::string StrSize(std::string& text, int size, char fill, e_just pad, e_just cut);
  // Makes `code` a 13-digit EAN with a correct GS1 check digit.
  static void KorygujCyfreKontrolnaEAN13(std::string& code);
  // The host installation's binaries directory from the registry, ending in a separator;
  // empty when the registry does not hold it.
  static std::string WczytajSciezkeDoBinariow();

  int pltype_in = plCp1250;
  int pltype_out = plCp1250;
  bool czy_debug = false;
  std::string dbg_fname;
};
