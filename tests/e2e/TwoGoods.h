// Two goods, a day that sells them, and a back office's export file of two goods: the
// samples of the tests of a host that misbehaves and of two threads at once.
#pragma once

#include <string>

namespace e2e {

// Goods on the register, in ZBPTowar.exe's input form.
inline constexpr char kGoods[] =
    "#1\r\n#\r\n#\r\n"
    "$12\tMleko\t1\t1\t0\t0\t0\t\t350\t0\t0\t0\t0\t0\t0\t0\r\n"
    "$13\tChleb\t1\t1\t0\t0\t0\t\t300\t0\t0\t0\t0\t0\t0\t0\r\n";

inline constexpr char kDay[] =
    "date 2026-12-08\n"
    "time 10:15\n"
    "receipt\n"
    "  sell 12 2\n"
    "  sell 13 1\n"
    "end\n";

// A back office's export file with goods `first` and `first + 1`.
inline std::string ExportFile(int first) {
  std::string text = "VAT;23\r\nVAT;8\r\nVAT;5\r\nVAT;0\r\nVAT;-1\r\n";
  for (int plu = first; plu <= first + 1; ++plu) {
    const std::string p = std::to_string(plu);
    text += "PLU;" + p + ";0;59000000" + p + ";Towar " + p +
            ";199;180;210;190;23;0;F;0;F;F;F;0;;1;DOD\r\n";
  }
  return text;
}

}  // namespace e2e
