// The register's sales memory as its reading programs print it: the sales counters and the
// receipt buffer in the two forms of OPSpRoz4.exe (method 4) and OPSpRoz5.exe (method 5).
// Each function gives the data lines, without the file's header and without line ends.
#pragma once

#include <string>
#include <vector>

#include "sim/Register.h"

namespace sim {

// Every goods on the register in PLU order: "$PLU\tquantity\tvalue".
std::vector<std::string> SalesByPlu(const Register& reg);
// The goods that sold, the highest value first (then by PLU).
std::vector<std::string> SortedSales(const Register& reg);
// Returned packages in PLU order.
std::vector<std::string> PackagingReturns(const Register& reg);

// Method 4: Windows-1250 text, "." in quantities, amounts as whole hundredths.
std::vector<std::string> Method4(const Register& reg);
// Method 5: code page 852 text, "," in every decimal, amounts in złoty.
std::vector<std::string> Method5(const Register& reg);

}  // namespace sim
