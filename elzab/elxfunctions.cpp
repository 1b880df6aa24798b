#include "elzab/elxfunctions.h"

const std::vector<ElzabFunction>& ElzabFunctions() {
  constexpr unsigned sales = roleSalesRead;
  constexpr unsigned left = roleSalesRead | roleLeftover;
  constexpr unsigned cashier = roleCashierRead | roleExportCleans;
  constexpr unsigned sent = roleExportCleans | roleExportArchives;
  static const std::vector<ElzabFunction> kFunctions = {
      {fnSales, nullptr, "ospopmax_sprz", false, false, sales},
      {fnSalesSorted, nullptr, "ospopmax_sort", false, false, left},
      {fnPackagingReturns, nullptr, "ospopmax_opak", false, false, left},
      {fnCounters, "OSpOpMax.exe", "ospopmax", false, true, sales | roleExportCleans},
      {fnReceipts4, "OPSpRoz4.exe", "opsproz4", true, true, left | roleExportCleans},
      {fnReceipts5, "OPSpRoz5.exe", "opsproz5", true, true, left | roleExportCleans},
      {fnCashierStats, "OIKasWla.exe", "oikaswla", true, true, cashier},
      {fnCashier, "OKasjer.exe", "okasjer", true, true, cashier},
      {fnClock, "OZegar.exe", "ozegar", true, true, cashier},
      {fnReadPayments, "OPlat.exe", "oplat", true, true, cashier},
      {fnSendEuro, "ZWaluta.exe", "zwaluta", false, false, sent},
      {fnSendPayments, "ZPlat.exe", "zplat", false, false, sent},
      {fnSendUnits, "ZJednost.exe", "zjednost", false, false, sent},
      {fnSendGroups, "ZGrupa.exe", "zgrupa", false, false, sent},
      {fnReadVat, "OPodatek.exe", "opodatek", true, true, roleExportCleans},
      {fnDeleteAll, "KTowMax.exe", "ktowmax", false, true, roleExportCleans},
      {fnSendPrices, "ZCTowar.exe", "zctowar", false, false, sent},
      {fnSendGoods, "ZBPTowar.exe", "zbptowar", true, false, sent},
      {fnDeleteGoods, "KTowar.exe", "ktowar", false, false, sent},
      {fnRegisterType, "OTypUrz.exe", "otypurz", true, true, 0},
  };
  return kFunctions;
}

const ElzabFunction* FindElzabFunction(int number) {
  for (const ElzabFunction& f : ElzabFunctions()) {
    if (f.number == number) return &f;
  }
  return nullptr;
}

std::vector<int> ElzabFunctionsWith(unsigned roles) {
  std::vector<int> numbers;
  for (const ElzabFunction& f : ElzabFunctions()) {
    if ((f.roles & roles) == roles) numbers.push_back(f.number);
  }
  return numbers;
}
