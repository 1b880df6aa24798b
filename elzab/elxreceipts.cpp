// The register's receipt buffer read into receipts, other operations and, when sales come
// from receipts, goods lines of the buffer of each line's date.
#include <algorithm>
#include <cmath>
#include <deque>
#include <map>
#include <memory>

#include "elzab/elxconfig.h"
#include "elzab/elxdates.h"
#include "elzab/elxfunctions.h"
#include "elzab/elximport.h"
#include "elzab/elxpackages.h"
#include "elzab/elxparag.h"
#include "elzab/elxrunner.h"
#include "elzab/elxsession.h"
#include "exchange/KSImpBuf.h"
#include "hostlib/Exceptions.h"
#include "hostlib/TMFile.h"
#include "hostlib/TdtTools.h"
#include "hostlib/TxTools.h"
#include "hostlib/TxfTools.h"
#include "platform/Env.h"
#include "support/TLJWords.h"
#include "support/TLTools.h"

namespace {

constexpr char kStatus = '\x01';

constexpr char kNoFile[] = "Brak pliku danych bufora paragonów";
constexpr char kAnalysis[] = " - analiza pozycji sprzedaży";
constexpr char kCards[] = " - ilość transakcji kartą stałego klienta";

int IntOrZero(const std::string& text) {
  return TxTools::StrToIntDef(TxTools::TrimSpaces(text), 0);
}

// Method 5: which field of a record holds the printout number of its document, and which
// kind of document the record belongs to.
struct Grouping {
  int type;
  int field;
  ElParagon::e_typ_oper kind;
};
constexpr Grouping kGrouping5[] = {
    {1, 17, ElParagon::op_paragon}, {3, 5, ElParagon::op_paragon},
    {4, 8, ElParagon::op_paragon},  {24, 17, ElParagon::op_paragon},
    {29, 4, ElParagon::op_paragon}, {10, 17, ElParagon::op_storno},
    {12, 17, ElParagon::op_storno}, {25, 17, ElParagon::op_storno},
    {27, 17, ElParagon::op_storno}, {11, 17, ElParagon::op_anul},
    {26, 17, ElParagon::op_anul},   {18, 17, ElParagon::op_faktura},
    {22, 5, ElParagon::op_faktura}, {23, 8, ElParagon::op_faktura},
    {28, 6, ElParagon::op_faktura}, {30, 6, ElParagon::op_faktura},
};

// The grouping of a record type; null for records that are not grouped.
const Grouping* Grouping5(int type) {
  for (const Grouping& g : kGrouping5) {
    if (g.type == type) return &g;
  }
  return nullptr;
}

// One reading of the receipt buffer: the documents being filled, the numbers that group the
// records into documents and the counters live only as long as this.
class ReceiptBufferReader {
 public:
  // Reads into `import`'s buffers: the current one is the import date's until a line with
  // sales from receipts makes its own day's current.
  ReceiptBufferReader(ElzabImport& import, double importDate, bool method5)
      : a_(import), m5_(method5), buf_(&import.ForDay(importDate)) {}

  void Read(const std::string& path) {
    OutputLines lines(a_.Runner(), path);
    std::string data;
    // The documents the host already has open the buffer: they are passed over unread.
    int64_t skip = a_.ReceiptsSkip();
    while (lines.NextData(data)) {
      if (skip > 0) {
        --skip;
        if (SalesFromReceipts() && a_.CarriesSkippedPackaging()) SkippedPackaging(path, data);
        continue;
      }
      // Method 5 writes the register's own code page.
      if (m5_) a_.Session().Tools().plstring(data);
      try {
        // Every record the register writes starts with its type: a line without one is
        // damaged, and skipping it would lose a sale or a payment without a word.
        if (!Record(data)) lines.Damaged();
      } catch (const EConvertError& e) {
        throw EConvertError(a_.Runner().OutputError(path, e.Message()));
      }
    }
    lines.Close();
    // The packaging totals overwrite the host's: with an older driver's record, those of the
    // lines it has go over again.
    for (const auto& [day, totals] : skippedPackaging_) {
      if (KSImpBuf* buf = a_.FindDay(day)) {
        buf->AddBottlesTurned(totals.first);
        buf->AddBottlesSaled(totals.second);
      }
    }
    Finish();
    // No record follows: every document is final.
    doc_ = void_ = anul_ = nullptr;
    for (Slot& slot : docs_) {
      if (slot.doc != nullptr) Render(slot);
    }
    Drain();
  }

  int Cards() const { return cards_; }

 private:
  // A document read: the object while a record may still change it, then its text.
  struct Slot {
    std::unique_ptr<ElParagon> doc;
    std::string text;
  };

  bool SalesFromReceipts() const { return a_.SalesFromReceipts(); }

  // Groups and handles one record; false when its record type is no number.
  bool Record(const std::string& data) {
    f_.Init(data);
    int type = 0;
    const std::string typeText = TxTools::TrimSpaces(f_[0]);
    if (typeText.empty()) return true;  // an empty record carries nothing
    if (!TxTools::TryStrToInt(typeText, type)) return false;
    const bool handled = m5_ ? Group5(type) : Group4(type);
    if (handled) Handle(type, data);
    prevType_ = type;
    return true;
  }

  // Method 4: documents are told apart by field 2; a new receipt also starts at a line 1
  // that does not follow a loyalty card line. False for records method 4 does not use.
  bool Group4(int type) {
    switch (type) {
      case 1:
      case 3:
      case 4: {
        const int nr = IntOrZero(f_[2]);
        if (doc_ == nullptr || nr != docNr_) {
          Finish();
          StartDocument(ElParagon::op_paragon, nr);
          if (voidAhead_ && void_ != nullptr && voidNr_ == nr) PutBefore(void_);
          voidAhead_ = false;
        } else if (type == 1 && IntOrZero(f_[3]) == 1 && prevType_ != 3) {
          Finish();
          StartDocument(ElParagon::op_paragon, nr);
        }
        return true;
      }
      case 5:
        return true;
      case 10: {
        const int nr = IntOrZero(f_[2]);
        if (void_ == nullptr || nr != voidNr_) {
          StartVoid(nr);
          // A receipt whose first line was voided: the register writes the void before the
          // receipt's first sold line. The void waits to follow its receipt.
          voidAhead_ = doc_ == nullptr || nr != docNr_;
        }
        return true;
      }
      case 11:
      case 12: {
        const int nr = IntOrZero(f_[2]);
        if (anul_ == nullptr || nr != anulNr_) {
          Replace(anul_, Start(ElParagon::op_anul));
          anulNr_ = nr;
        }
        return true;
      }
      default:
        return false;
    }
  }

  // Method 5: documents are told apart by their printout number; invoices are read only
  // when the shop asked for them. False for records that are skipped.
  bool Group5(int type) {
    const bool used = type == 1 || (type >= 3 && type <= 5) || (type >= 10 && type <= 12) ||
                      (type >= 18 && type <= 30);
    if (!used) return false;
    const Grouping* g = Grouping5(type);
    // With invoices left out, nothing of a skipped invoice may reach the host: neither its
    // lines nor the void of a line voided on it, which carries the invoice's printout number.
    if (g == nullptr) return !(skippingInvoice_ && type != 5);
    const ElParagon::e_typ_oper kind = g->kind;
    const int nr = IntOrZero(f_[g->field]);
    if (kind == ElParagon::op_faktura && !a_.Invoices()) {
      if (nr != -1) {
        skippingInvoice_ = true;
        skippedNr_ = nr;
      }
      return false;
    }
    if (skippingInvoice_) {
      if (nr == -1 || nr == skippedNr_) return false;
      skippingInvoice_ = false;
    }
    if (nr == -1) return true;
    if (kind == ElParagon::op_storno) {
      // A void may start inside a receipt: the receipt stays current, and its hourly entry
      // waits for all its lines.
      if (void_ == nullptr || nr != voidNr_) StartVoid(nr);
    } else if (doc_ == nullptr || nr != docNr_) {
      Finish();
      StartDocument(kind, nr);
    }
    return true;
  }

  void Handle(int type, const std::string& data) {
    switch (type) {
      case 1:
        Sold(data);
        break;
      case 10:
      case 19:
      case 21:
        Other(data, Void());
        break;
      case 11:
        Other(data, Cancelled());
        break;
      case 12:
        Other(data, m5_ ? Void() : Cancelled());
        break;
      case 18:
      case 20:
        Other(data, Document(ElParagon::op_faktura));
        break;
      case 3:
      case 22:
        Card(type);
        break;
      case 4:
      case 23:
        Payment(type);
        break;
      case 5:
        CashOperation();
        break;
      case 24:
      case 26:
        Marker(Document(type == 24 ? ElParagon::op_paragon : ElParagon::op_anul));
        break;
      case 25:
      case 27:
        Marker(Void());
        break;
      case 28:
        Numbers(Document(ElParagon::op_faktura));
        Document(ElParagon::op_faktura).SetInvType(TxTools::Trim(f_[3]));
        Document(ElParagon::op_faktura).SetInvNumber(TxTools::Trim(f_[4]));
        Document(ElParagon::op_faktura).SetInvNip(TxTools::Trim(f_[5]));
        break;
      case 29:
        Numbers(Document(ElParagon::op_paragon));
        Document(ElParagon::op_paragon).SetNIP(TxTools::Trim(f_[3]));
        break;
      case 30:
        Numbers(Document(ElParagon::op_faktura));
        Document(ElParagon::op_faktura).SetInvBuyerName(TxTools::Trim(f_[3]));
        Document(ElParagon::op_faktura).SetInvCityAndZipCode(TxTools::Trim(f_[4]));
        Document(ElParagon::op_faktura).SetInvStreetAndNumber(TxTools::Trim(f_[5]));
        break;
      default:
        break;
    }
  }

  // Records other than lines carry their document's transaction and receipt numbers in
  // fields 1 and 2: a document without lines takes them from there.
  void Numbers(ElParagon& doc) { doc.NoteNumbers(IntOrZero(f_[1]), IntOrZero(f_[2])); }

  // A method-5 marker record: numbers, date, time and cashier of its document. An empty date
  // or time leaves them untold; a damaged one is a damaged output, as on a sold line, since
  // a document told from it alone would reach the host without its day.
  void Marker(ElParagon& doc) {
    Numbers(doc);
    const std::string dateText = TxTools::TrimSpaces(f_[3]);
    const std::string timeText = TxTools::TrimSpaces(f_[4]);
    const double date = dateText.empty() ? 0 : RegisterDates::Compact(dateText);
    const double time = timeText.empty() ? 0 : RegisterDates::CompactClock(timeText);
    if (!dateText.empty() && !timeText.empty()) doc.NoteWhen(date, time, IntOrZero(f_[5]));
  }

  std::unique_ptr<ElPosition> Position(const std::string& data) {
    auto pos = std::make_unique<ElPosition>();
    if (m5_) {
      pos->MakeFromLineExtended(data);
    } else {
      pos->MakeFromLine(data, true);
    }
    return pos;
  }

  // A sold line the host already has: only its packaging, which each file of its day carries
  // as the day's running total.
  void SkippedPackaging(const std::string& path, const std::string& data) {
    f_.Init(data);
    int type = 0;
    if (!TxTools::TryStrToInt(TxTools::TrimSpaces(f_[0]), type) || type != 1) return;
    try {
      std::unique_ptr<ElPosition> pos = Position(data);
      if (!a_.Packages().Contains(TxTools::IntToStr(pos->nr_tow))) return;
      auto& totals = skippedPackaging_[TdtTools::DatePart(pos->data)];
      (pos->zwrot ? totals.first : totals.second) += pos->GetWartosc();
    } catch (const EConvertError& e) {
      throw EConvertError(a_.Runner().OutputError(path, e.Message()));
    }
  }

  // A sold line: a line of the current receipt and, with sales from receipts, a goods line
  // of the buffer of its date.
  void Sold(const std::string& data) {
    std::unique_ptr<ElPosition> pos = Position(data);
    if (SalesFromReceipts()) {
      KSImpBuf* buf = buf_ = &a_.ForDay(pos->data);
      const std::string code = TxTools::IntToStr(pos->nr_tow);
      if (a_.Packages().Contains(code)) {
        if (pos->zwrot) {
          buf->AddBottlesTurned(pos->GetWartosc());
        } else {
          buf->AddBottlesSaled(pos->GetWartosc());
        }
      }
      buf->AddDiscount(pos->GetRabat(), true);
      const double quantity = TxfTools::Round(pos->GetIlosc() * 1000, 0);
      buf->AddPlu(code, pos->zwrot ? -quantity : quantity, pos->GetWartosc(), id_global);
    }
    ElParagon& receipt = Document(ElParagon::op_paragon);
    // The receipt's hour goes into the report of the day its first line was sold on, even
    // when a record of the next day comes before the receipt is finished.
    if (&receipt == open_ && receipt.GetPosCount() == 0) openBuf_ = buf_;
    receipt + std::move(pos);
  }

  // A line of a void, a cancelled receipt or an invoice: kept with its document, never a
  // goods line.
  void Other(const std::string& data, ElParagon& target) {
    std::unique_ptr<ElPosition> pos = Position(data);
    if (SalesFromReceipts()) buf_ = &a_.ForDay(pos->data);
    target + std::move(pos);
  }

  void Card(int type) {
    const std::string card = TxTools::Trim(f_[4]);
    ElParagon& doc = Document(type == 22 ? ElParagon::op_faktura : ElParagon::op_paragon);
    Numbers(doc);
    doc.SetKSK(card);
    // Method 4 writes a card line without a number when no card was used; method 5 writes
    // one only for a card transaction.
    if (m5_ || !card.empty()) ++cards_;
  }

  void Payment(int type) {
    auto pay = std::make_unique<ElPayment>();
    int form = IntOrZero(f_[3]) - 1;
    pay->nr_wal = 0;
    pay->ostatnia = 0;
    pay->terminowa = form >= 0 && form <= 6 ? a_.PaymentHasDate(form) : 0;
    double amount = m5_ ? TxfTools::Round(ElPosition::DecimalOfMethod5(f_[7]) * 100, 0)
                        : ElPosition::DecimalOfMethod4(f_[7]);
    if (IntOrZero(f_[5]) == 1) amount = -amount;
    pay->wartosc = amount;
    // The register's card, voucher and cheque are the host's 3, 1 and 2.
    if (form == 1) {
      form = 3;
    } else if (form == 2) {
      form = 1;
    } else if (form == 3) {
      form = 2;
    }
    pay->SetNrPlatn(form);
    Numbers(Document(type == 23 ? ElParagon::op_faktura : ElParagon::op_paragon));
    if (type == 4) {
      KSImpBuf* buf = buf_;
      switch (form) {
        case 1:
          buf->AddBony(amount);
          break;
        case 2:
          buf->AddCzeki(amount);
          break;
        case 3:
          buf->AddKarty(amount);
          break;
        case 4:
          buf->AddInne(amount);
          break;
        default:
          break;  // cash and unnamed forms have no total
      }
    }
    Document(type == 23 ? ElParagon::op_faktura : ElParagon::op_paragon) + std::move(pay);
  }

  // The date-time of a deposit or withdrawal.
  double CashDateTime() {
    if (!m5_) {
      return RegisterDates::Dotted(TxTools::TrimSpaces(f_[7])) +
             RegisterDates::DottedClock(TxTools::TrimSpaces(f_[8]));
    }
    return RegisterDates::CompactDateTime(f_[7], f_[8]);
  }

  void CashOperation() {
    const int kind = IntOrZero(f_[5]);
    if (kind < 0 || kind > 2) return;  // neither a deposit nor a withdrawal
    const bool deposit = kind != 0;
    const double amount = m5_ ? TxfTools::Round(ElPosition::DecimalOfMethod5(f_[6]) * 100, 0)
                              : TxTools::StrToInt(TxTools::TrimSpaces(f_[6]));
    // The payment holds whole hundredths in 64 bits. An amount beyond them is no amount a
    // register writes: it is refused as an unreadable one is, not converted out of range.
    if (!(std::fabs(amount) < 9.0e18)) {
      throw EConvertError("'" + f_[6] + "' nie jest poprawną liczbą");
    }
    const double when = CashDateTime();
    auto other = std::make_unique<TVKOther>(deposit ? op_wpl : op_wypl);
    // The record carries the cashier, the kind and one payment; the register number stays
    // unknown (-1), as the register does not write it.
    other->nrKasjera = IntOrZero(f_[1]);
    other->dataCzas = when;
    auto pay = std::make_unique<TVKPayment>();
    pay->Fkod = 0;
    pay->Frodzaj = FP_GOT;
    pay->Fwartosc = static_cast<int64_t>(amount);
    pay->Fkurs = 100;
    pay->Fkonczaca = true;
    pay->Fdata_czas = when;
    other->Add(std::move(pay));
    // A sale date is a whole day, whatever the hour of the operation that opens it.
    if (SalesFromReceipts()) buf_ = &a_.ForDay(TdtTools::DatePart(when));
    buf_->AddReceiptOtherInfo(std::move(other));
    if (deposit) {
      buf_->AddPayIn(amount);
    } else {
      buf_->AddPayOut(amount);
    }
  }

  // A new document, appended to the documents read and counted in the last message.
  ElParagon* Start(ElParagon::e_typ_oper kind) {
    docs_.push_back(
        Slot{std::make_unique<ElParagon>(a_.Session().DeviceNumber(), kind), std::string()});
    docs_.back().doc->Unknown();
    ++count_;
    ElzabSession& session = a_.Session();
    session.SetLastLineStatus(0, TxTools::IntToStr(count_));
    return docs_.back().doc.get();
  }

  // Points `ref` (the current receipt, void or cancelled receipt) at `now`; the document it
  // pointed at becomes text when nothing else points at it.
  void Replace(ElParagon*& ref, ElParagon* now) {
    ElParagon* old = ref;
    ref = now;
    Release(old);
    Drain();
  }

  // Renders `doc` once no record can reach it any more.
  void Release(ElParagon* doc) {
    if (doc == nullptr || doc == doc_ || doc == void_ || doc == anul_) return;
    // The document let go of is nearly always one of the last few.
    for (auto slot = docs_.rbegin(); slot != docs_.rend(); ++slot) {
      if (slot->doc.get() == doc) {
        Render(*slot);
        return;
      }
    }
  }

  static void Render(Slot& slot) {
    slot.text = slot.doc->ToString() + "\r\n";
    slot.doc.reset();
  }

  // Hands the rendered documents at the front over to the action, in the order they began.
  void Drain() {
    while (!docs_.empty() && docs_.front().doc == nullptr) {
      a_.AddReceiptText(docs_.front().text);
      docs_.pop_front();
    }
  }

  void StartDocument(ElParagon::e_typ_oper kind, int nr) {
    Replace(doc_, Start(kind));
    docNr_ = nr;
    open_ = doc_;
  }

  // Moves the newest document to just before `doc`, which is still open.
  void PutBefore(const ElParagon* doc) {
    auto at = std::find_if(docs_.begin(), docs_.end(),
                           [doc](const Slot& slot) { return slot.doc.get() == doc; });
    if (at == docs_.end() || at + 1 == docs_.end()) return;
    std::rotate(at, docs_.end() - 1, docs_.end());
  }

  void StartVoid(int nr) {
    Replace(void_, Start(ElParagon::op_storno));
    voidNr_ = nr;
  }

  // The current document; a record that comes before any (a printout number of -1 at the
  // start of the file, say) gets one of its own kind.
  ElParagon& Document(ElParagon::e_typ_oper kind) {
    if (doc_ == nullptr) StartDocument(kind, -1);
    return *doc_;
  }

  ElParagon& Void() {
    if (void_ == nullptr) StartVoid(-1);
    return *void_;
  }

  ElParagon& Cancelled() {
    if (m5_) return Document(ElParagon::op_anul);
    if (anul_ == nullptr) {
      Replace(anul_, Start(ElParagon::op_anul));
      anulNr_ = -1;
    }
    return *anul_;
  }

  // A finished receipt goes into the hourly report, once, with all its lines; one that no
  // record gave a time (payments without lines) has no hour to go under.
  void Finish() {
    if (open_ != nullptr && open_->GetTypOperacji() == ElParagon::op_paragon && open_->whenKnown) {
      KSImpBuf* buf = openBuf_ != nullptr ? openBuf_ : buf_;
      buf->AddGodzinowy(open_->GetGodzina(), open_->GetWartosc(), 1, open_->GetPosCount());
    }
    open_ = nullptr;
    openBuf_ = nullptr;
  }

  ElzabImport& a_;
  const bool m5_;
  TLJWords f_{"\t"};
  std::deque<Slot> docs_;        // from the oldest document not yet handed over
  ElParagon* doc_ = nullptr;     // the current receipt, invoice or (method 5) cancelled receipt
  ElParagon* open_ = nullptr;    // the document whose hourly entry is still due
  KSImpBuf* openBuf_ = nullptr;  // the buffer of its first sold line
  KSImpBuf* buf_;                // the current buffer
  ElParagon* void_ = nullptr;
  ElParagon* anul_ = nullptr;  // method 4's current cancelled receipt
  int docNr_ = 0;
  int voidNr_ = 0;
  int anulNr_ = 0;
  int prevType_ = 0;
  bool voidAhead_ = false;        // method 4: the current void came before its receipt
  bool skippingInvoice_ = false;  // method 5: the records of a left-out invoice are passing
  int skippedNr_ = 0;             // its printout number
  int count_ = 0;
  int cards_ = 0;
  // Per day, the packaging returned and sold on the lines the host already has.
  std::map<double, std::pair<double, double>> skippedPackaging_;
};

}  // namespace

// ----- Receipt buffer -----------------------------------------------------------------------

void ElzabImport::ImportFromFileReceipts() {
  ForDay(pass_.importDate);
  platform::Env* env = platform::CurrentEnv();
  // Method 4's buffer when both lie there.
  int function = 0;
  for (int f : ElzabFunctionsWith(roleReceiptBuffer)) {
    if (function == 0 && env->FileExists(runner_.FNameFile(f, 2, false))) function = f;
  }
  if (function == 0) {
    session_.DodajKomunikat(1, kNoFile);
    return;
  }
  session_.DodajKomunikat(0, kAnalysis);
  ReceiptBufferReader reader(*this, pass_.importDate, function == fnReceipts5);
  reader.Read(runner_.FNameFile(function, 2, false));
  session_.SetLastLineStatus(0, "OK");
  session_.DodajKomunikat(0, std::string(kCards) + kStatus + TxTools::IntToStr(reader.Cards()));
}

void ElzabImport::AddReceiptText(const std::string& text) {
  constexpr size_t kPiece = 1 << 20;
  if (receiptsText_.empty() || receiptsText_.back().size() + text.size() > kPiece) {
    receiptsText_.emplace_back();
    receiptsText_.back().reserve(std::max(kPiece, text.size()));
  }
  receiptsText_.back() += text;
}

bool ElzabImport::ImportSaveReceipts() {
  if (receiptsText_.empty()) return false;
  {
    TMFile file(session_.FNameKIMP());
    file.Open();
    file.GotoEnd();
    for (std::string& piece : receiptsText_) {
      file.Write(piece);
      std::string().swap(piece);
    }
    file.Close();
  }
  receiptsText_.clear();
  return true;
}
