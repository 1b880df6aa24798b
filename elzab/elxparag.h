// The driver's own model of the register's receipt buffer: one receipt line (ElPosition),
// read from one text line of OPSpRoz4.exe or OPSpRoz5.exe, one payment (ElPayment), and one
// document (ElParagon: a receipt, a void, a cancelled receipt or an invoice) with its lines
// and payments, which it writes in the host's receipt text.
//
// Amounts are in hundredths of the currency, quantities in units; the text holds every number
// as a plain whole number, never in exponent form.
#pragma once

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

// One line of a receipt.
class ElPosition {
 public:
  // Fills the position from a line of method 4 (the data line without its "$"; field 0, the
  // record type, is not read). The long form starts at field 1, the short one at field 0 and
  // reads seven fields. Integers that are no numbers count 0; a date that is no date raises
  // EConvertError; a line of exactly three fields (another register model's format) raises
  // Exception.
  void MakeFromLine(const std::string& line, bool longForm);
  // Fills the position from a line of method 5 (decimals in złoty with "," or "."). A
  // decimal, date or time that is no number raises EConvertError.
  void MakeFromLineExtended(const std::string& line);

  // A decimal of method 5, with "," or "." as its separator.
  static double DecimalOfMethod5(const std::string& text);
  // A decimal of method 4, with "." as its separator; empty reads 0.
  static double DecimalOfMethod4(const std::string& text);

  int32_t GetNrTrans() const { return nr_rap; }
  int32_t GetNrParagonu() const { return nr_par; }
  double GetIlosc() const { return il_sp; }
  // The value after discount, negative for a return.
  double GetWartosc() const { return zwrot ? -wart_rabw : wart_rabw; }
  // The discount rounded to whole hundredths.
  double GetRabat() const;
  int32_t GetNrWydruku() const { return nr_wyd; }
  int32_t GetPrRab() const { return pr_rab; }
  void SetPrRab(int32_t value) { pr_rab = value; }

  // "ZAW;" PLU, an empty barcode, quantity in thousandths, value, discount, receipt number and
  // date-time, ended by LF. A return's quantity and value are negative.
  std::string ToString() const;

  int32_t nr_rap = 0;  // transaction number
  int32_t nr_par = 0;  // receipt number
  int32_t nr_poz_par = 0;
  bool zwrot = false;  // a return: value and quantity count negative
  int32_t nr_tow = 0;  // the register's PLU number
  double il_sp = 0;
  double wart_rabw = 0;  // value after discount
  double data = 0;
  double czas = 0;
  int32_t ST = 0;  // tax rate slot
  int32_t nr_kas = 0;
  double wart_rabp = 0;  // the register's discount
  double wart_pr = 0;    // value before discount
  double rabat = 0;      // wart_pr - wart_rabw
  int32_t nr_wyd = 0;    // printout number
  int32_t pr_rab = 0;
  bool withoutDiscountInfo = false;
};

// One payment of a receipt.
class ElPayment {
 public:
  int32_t GetNrPlatn() const { return nr_plat; }
  void SetNrPlatn(int32_t value) { nr_plat = value; }
  double GetWartosc() const { return wartosc; }
  void SetData(double value) { data = value; }
  void SetCzas(double value) { czas = value; }

  // "PMT;" form, amount, "100", two empty fields, the last flag, the deferred flag, "0" and
  // the date-time, ended by LF.
  std::string ToString() const;

  int32_t nr_rap = 0;
  int32_t nr_par = 0;
  int32_t nr_plat = 0;  // payment form
  int32_t nr_wal = 0;   // currency
  double reszta = 0;    // change given
  double wartosc = 0;
  double data = 0;
  double czas = 0;
  int32_t ostatnia = 0;   // 1 = the last payment of the receipt
  int32_t terminowa = 0;  // 1 = deferred payment
};

// A receipt, void, cancelled receipt or invoice with its lines and payments, which it owns.
class ElParagon {
 public:
  enum e_typ_oper : int32_t {
    op_paragon = 0,
    op_storno = 1,  // void
    op_anul = 2,    // cancelled receipt
    op_faktura = 3,
  };

  ElParagon(int32_t nrKasy, e_typ_oper typ);
  ElParagon(const ElParagon&) = delete;
  ElParagon& operator=(const ElParagon&) = delete;

  // Appends a line: the first gives the receipt its numbers, date, time and cashier; each adds
  // its value and takes the receipt's discount percentage.
  ElParagon& operator+(std::unique_ptr<ElPosition> pos);
  // Appends a payment, giving it the receipt's date, time and numbers.
  ElParagon& operator+(std::unique_ptr<ElPayment> pay);
  // What a document's other records tell of it while it has no line (a cancelled receipt
  // whose only line was voided, a receipt of payments only): its transaction and receipt
  // numbers (card, payment and invoice records), and with a marker record also its date,
  // time and cashier. The first that tells a thing wins; a line, when one comes, tells all.
  void NoteNumbers(int32_t trans, int32_t par);
  void NoteWhen(double date, double time, int32_t cashier);
  // Marks the numbers and the date, time and cashier as not known yet: a document of the
  // receipt buffer writes what no record of it told as empty fields.
  void Unknown() { numbersKnown = whenKnown = false; }

  void SetKSK(const std::string& value) { KSK = value; }
  void SetNIP(const std::string& value) { nrNIP = value; }
  void SetInvType(const std::string& value) { invoiceType = value; }
  void SetInvNumber(const std::string& value) { invoiceNumber = value; }
  void SetInvNip(const std::string& value) { invoiceNip = value; }
  void SetInvBuyerName(const std::string& value) { invoiceBuyerName = value; }
  void SetInvCityAndZipCode(const std::string& value) { invoiceCityAndZipCode = value; }
  void SetInvStreetAndNumber(const std::string& value) { invoiceStreetAndNumber = value; }
  void SetPrRab(int32_t value) { pr_rab = value; }
  void SetWartosc(double value) { wartosc = value; }
  const std::string& GetKSK() const { return KSK; }
  e_typ_oper GetTypOperacji() const { return typOperacji; }
  double GetWartosc() const { return wartosc; }
  int32_t GetPrRab() const { return pr_rab; }
  double GetData() const { return data; }
  int GetGodzina() const;
  int32_t GetPosCount() const { return nPosCount; }
  int32_t GetPaymentCount() const { return nPaymentCount; }
  const ElPosition& GetPozycja(int i) const { return *pos.at(static_cast<size_t>(i)); }
  const ElPayment& GetPlatnosc(int i) const { return *pymnt.at(static_cast<size_t>(i)); }

  // The document in the host's receipt text, lines ended by LF (see elxparag.cpp). The last
  // payment is marked as the last first.
  std::string ToString();

  std::vector<std::unique_ptr<ElPosition>> pos;
  std::vector<std::unique_ptr<ElPayment>> pymnt;
  e_typ_oper typOperacji;
  int32_t nDscCount = 0;
  int32_t nrTrans = 0;
  int32_t nrPar = 0;
  int32_t nPosCount = 0;
  int32_t nPaymentCount = 0;
  int32_t nrKasjera = 0;
  int32_t nrKasy;
  std::string KSK;  // loyalty card
  std::string nrNIP;
  int32_t kodRabatu = 0;
  double data = 0;
  double czas = 0;
  std::string invoiceType;
  std::string invoiceNumber;
  std::string invoiceNip;
  std::string invoiceBuyerName;
  std::string invoiceCityAndZipCode;
  std::string invoiceStreetAndNumber;
  bool wazny = true;
  double wartosc = 0;
  double rabat = 0;
  int32_t pr_rab = 0;
  bool withoutDiscountInfo = false;
  bool numbersKnown = true;  // nrTrans and nrPar
  bool whenKnown = true;     // data, czas and nrKasjera
};

std::ostream& operator<<(std::ostream& out, const ElPosition& pos);
std::ostream& operator<<(std::ostream& out, const ElPayment& pay);
std::ostream& operator<<(std::ostream& out, ElParagon& receipt);
