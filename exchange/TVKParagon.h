// Receipt records in the host's own receipt format: one sold item (TVKPosition), one payment
// (TVKPayment), a receipt with its items and payments (TVKParagon), and an operation that is
// not a sale (TVKOther: deposit, withdrawal, void, cancellation, shift opening or closing).
// Each record turns itself into lines of the host's import file. Fields are separated by ";"
// with no quoting; date-times are written in the 17-digit compressed form.
#pragma once

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

class TMFile;

// Free text (a name, an address, a title) as it may stand in a column of the host's import
// file: a ";" or a line break would shift the host's columns or split the record, so each of
// them is written as a space. Codes and numbers are written as they are.
std::string ImportFileText(const std::string& text);

enum position_type : int32_t {
  ptSale = 0,
  ptBottleSale = 1,    // returnable packaging sold
  ptBottleReturn = 2,  // packaging returned
};

// The kind of a payment.
enum formy : int32_t {
  FP_UNDEFINED = -1,
  FP_GOT = 0,  // cash
  FP_BON = 1,  // voucher
  FP_CZEK = 2,
  FP_KARTA = 3,
  FP__INNE = 4,
};

// The kind of an operation that is not a sale.
enum e_TypOper : int32_t {
  op_wpl = 0,   // deposit
  op_wypl = 1,  // withdrawal
  op_storno = 2,
  op_anul = 3,  // cancelled receipt
  op_otw_zm = 4,
  op_zamk_zm = 5,
};

// One sold item.
struct TVKPosition {
  int32_t Fplu = -1;      // register PLU number; -1 = none
  std::string Fkod;       // barcode
  int32_t Filosc = -1;    // quantity in thousandths
  int64_t Fwartosc = -1;  // value in hundredths of the currency
  int32_t Frabat = -1;    // discount on the line
  int32_t FnrParagonu = -1;
  double Fdata_czas = 0;  // day count
  position_type FTyp = ptSale;

  // "ZAW;" and seven fields (PLU number, barcode, quantity, value, discount, receipt number,
  // date-time), ended by LF. The kind of line is not written.
  std::string ToString() const;
};

// One payment.
struct TVKPayment {
  int32_t Fkod = -1;  // payment form code
  int64_t Fwartosc = -1;
  int32_t Fkurs = 1;  // rate factor
  int32_t FnrDokWplaty = -1;
  int32_t Ftransfer = -1;
  formy Frodzaj = FP_UNDEFINED;
  bool Fkonczaca = false;   // this payment ends the receipt
  bool Fterminowa = false;  // deferred payment with a due date
  std::string Ftytul;
  double Fdata_czas = 0;
  int32_t Fkod_f_plat_ext = -1;  // -1 = the extended fields are absent
  std::string Fkod_waluty;
  int32_t Fkurs_prec = 10000;  // exchange rate in ten-thousandths
  int32_t Fwartosc_pln = 0;

  // "PMT;" and ten fields, four more when the extended form code is set; ended by LF.
  std::string ToString() const;
};

// A receipt with its positions and payments, which it owns.
class TVKParagon {
 public:
  TVKParagon() = default;
  TVKParagon(const TVKParagon&) = delete;
  TVKParagon& operator=(const TVKParagon&) = delete;

  // Hooks for derived receipts. The first position and the first payment go through the
  // "first" hook before the "each" hook.
  virtual void ProcessFirstPosition(TVKPosition& pos);
  virtual void ProcessFirstPayment(TVKPayment&) {}
  virtual void ProcessEachPosition(TVKPosition&) {}
  virtual void ProcessEachPayment(TVKPayment&) {}
  virtual ~TVKParagon() = default;
  // Called by the import buffer before it takes the receipt.
  virtual void PostProcess() {}

  // Append a position or payment; the receipt takes ownership.
  TVKParagon& operator+(std::unique_ptr<TVKPosition> pos);
  TVKParagon& operator+(std::unique_ptr<TVKPayment> pay);

  int GetnPosCount() const { return static_cast<int>(Fpos.size()); }
  int GetnPaymentCount() const { return static_cast<int>(Fpymnt.size()); }
  // Item i of the list; an index outside it raises Exception (a fault of the caller).
  TVKPosition& GetPozycje(int i) const;
  TVKPayment& GetPlatnosci(int i) const;

  // Writes the receipt (header, positions unless without details, payments) into the file.
  void operator>>(TMFile& file);
  // The receipt's text as operator>> writes it. The last payment is marked as ending the
  // receipt first.
  std::string ToString();

  bool FwoDetails = true;  // without details: positions are not written ("KSK")
  int32_t FnrTrans = -1;
  int32_t FnrPar = -1;
  int32_t FnrKasjera = -1;  // -1 = unknown
  int32_t FnrKasy = -1;     // -1 = unknown
  std::string FnrKlienta;
  std::string FnrNIPKlienta;  // "-1" counts as none
  int32_t FkodRabatu = -1;    // -1 = none
  double Fdata_czas = 0;
  int32_t Frabat = 0;
  int32_t FnrZmiany = -1;
  std::vector<std::unique_ptr<TVKPosition>> Fpos;
  std::vector<std::unique_ptr<TVKPayment>> Fpymnt;
};

// An operation that is not a sale, with its goods lines and payments, which it owns.
class TVKOther {
 public:
  explicit TVKOther(e_TypOper kind = op_wpl) : typOperacji(kind) {}
  TVKOther(const TVKOther&) = delete;
  TVKOther& operator=(const TVKOther&) = delete;

  // The record takes ownership.
  void Add(std::unique_ptr<TVKPosition> pos);
  void Add(std::unique_ptr<TVKPayment> pay);
  int GetPozycjeTowCount() const { return static_cast<int>(pozycjeTow.size()); }
  int GetPaymentCount() const { return static_cast<int>(platnosci.size()); }
  // Item i of the list; an index outside it raises Exception (a fault of the caller).
  TVKPosition& GetPozycjeTow(int i) const;
  TVKPayment& GetPlatnosc(int i) const;

  // LF, "[INNA_OPER]", LF, the operation line ended by CR LF, then the line of every goods
  // position and every payment.
  std::string ToString() const;
  void operator>>(TMFile& file) const;
  void operator>>(std::ostream& out) const;

  std::vector<std::unique_ptr<TVKPosition>> pozycjeTow;
  std::vector<std::unique_ptr<TVKPayment>> platnosci;
  e_TypOper typOperacji;
  std::string nrTrans;
  std::string nrPar;
  std::string nrZmiany = "-1";
  int32_t nrKasjera = -1;
  int32_t nrKasy = -1;
  double dataCzas = 0;
};

TMFile& operator<<(TMFile& file, const TVKPosition& pos);
TMFile& operator<<(TMFile& file, const TVKPayment& pay);
TMFile& operator<<(TMFile& file, TVKParagon& receipt);
