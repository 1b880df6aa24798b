#include "elzab/elxfunctions.h"

const std::vector<ElzabFunction>& ElzabFunctions() {
  constexpr unsigned sales = roleSalesRead;
  constexpr unsigned left = roleSalesRead | roleLeftover;
  constexpr unsigned cashier = roleCashierRead | roleExportCleans;
  constexpr unsigned sent = roleExportCleans | roleExportArchives;
  constexpr unsigned receipts = left | roleExportCleans | roleReceiptBuffer;
  static const std::vector<ElzabFunction> kFunctions = {
      {fnSales, nullptr, "ospopmax_sprz", false, false, sales, fnCounters},
      {fnSalesSorted, nullptr, "ospopmax_sort", false, false, left, fnCounters},
      {fnPackagingReturns, nullptr, "ospopmax_opak", false, false, left, fnCounters},
      {fnCounters, "OSpOpMax.exe", "ospopmax", false, true, sales | roleExportCleans, 0},
      {fnReceipts4, "OPSpRoz4.exe", "opsproz4", true, true, receipts, 0},
      {fnReceipts5, "OPSpRoz5.exe", "opsproz5", true, true, receipts, 0},
      {fnCashierStats, "OIKasWla.exe", "oikaswla", true, true, cashier, 0},
      {fnCashier, "OKasjer.exe", "okasjer", true, true, cashier, 0},
      {fnClock, "OZegar.exe", "ozegar", true, true, cashier, 0},
      {fnReadPayments, "OPlat.exe", "oplat", true, true, cashier, 0},
      {fnSendEuro, "ZWaluta.exe", "zwaluta", false, false, sent, 0},
      {fnSendPayments, "ZPlat.exe", "zplat", false, false, sent, 0},
      {fnSendUnits, "ZJednost.exe", "zjednost", false, false, sent, 0},
      {fnSendGroups, "ZGrupa.exe", "zgrupa", false, false, sent, 0},
      {fnReadVat, "OPodatek.exe", "opodatek", true, true, roleExportCleans, 0},
      {fnDeleteAll, "KTowMax.exe", "ktowmax", false, true, roleExportCleans, 0},
      {fnSendPrices, "ZCTowar.exe", "zctowar", false, false, sent, 0},
      {fnSendGoods, "ZBPTowar.exe", "zbptowar", true, false, sent, 0},
      {fnDeleteGoods, "KTowar.exe", "ktowar", false, false, sent, 0},
      {fnRegisterType, "OTypUrz.exe", "otypurz", true, true, 0, 0},
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

std::vector<int> ElzabFunctionOutputs(int number) {
  std::vector<int> outputs;
  const ElzabFunction* own = FindElzabFunction(number);
  if (own != nullptr && own->hasOutput) outputs.push_back(number);
  for (const ElzabFunction& f : ElzabFunctions()) {
    if (f.writtenBy == number && number != 0) outputs.push_back(f.number);
  }
  return outputs;
}

int ElzabReceiptsFunction(int saleBufferType) {
  return saleBufferType == 0 ? fnReceipts4 : fnReceipts5;
}
