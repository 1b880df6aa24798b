#include "sim/Control.h"

#include <cmath>
#include <cstdio>
#include <map>

#include "platform/Console.h"
#include "platform/Env.h"
#include "sim/Programs.h"
#include "sim/Register.h"
#include "sim/Scenario.h"
#include "sim/Store.h"
#include "sim/Text.h"

namespace sim {

namespace {

const char kUsage[] =
    "usage: ecrsim [--state DIR] [--output FILE] COMMAND (--port COMn | --lan ADDRESS:PORT) ...\n"
    "  create --model MODEL [--device N] [--plu N] [--serial TEXT] [--clock YYYY-MM-DDTHH:MM]\n"
    "  remove\n"
    "  show [all|register|clock|vat|groups|units|payments|goods|counters|buffer|cashier|faults]\n"
    "  vat \"23,00;8,00;5,00;0,00;ZWOLNIONA;REZERWA;REZERWA\"\n"
    "  clock YYYY-MM-DDTHH:MM[:SS] | now\n"
    "  sell SCENARIO_FILE\n"
    "  zero\n"
    "  payment-date FORM on|off\n"
    "  fault --program NAME (--code N [--desc TEXT] | --no-report --exit N | --hang SECONDS |\n"
    "        --truncate | --garble | --reject PLU:CODE[,PLU:CODE...] | --stop-at PLU[:CODE])\n"
    "        [--once]\n"
    "  clear-faults [--program NAME]\n"
    "  help [sell]              this text; the scenario format of sell\n"
    "The registers live in the state folder: ELZABSIM_STATE if set, else \"registers\" beside\n"
    "the programs (--state DIR names another). Start with create; zero is the daily report.\n";

// The scenario format, for "help sell".
const char kScenarioHelp[] =
    "ecrsim sell --port COM1 SCENARIO_FILE rings up what the file says, as a cashier would.\n"
    "The file: UTF-8 (else Windows-1250) text, one command a line, \"#\" starts a comment.\n"
    "Amounts take \",\" or \".\" (12,50); quantities up to three decimals. The whole file\n"
    "is applied or, at its first error, nothing of it.\n"
    "\n"
    "  date 2026-12-08            the register's date\n"
    "  time 10:15[:SS]            its time\n"
    "  cashier 1 [Anna Nowak]     cashier 1 logs in (a new shift)\n"
    "  logout\n"
    "  receipt | invoice | cancelled     opens a receipt, an invoice, a receipt to cancel\n"
    "    sell PLU QTY [price=P] [disc=10% | disc=1,50]\n"
    "    return PLU QTY           a returned package (goods with the package flag)\n"
    "    void PLU QTY [price=P]   a line rung up and voided\n"
    "    card 000123              loyalty card\n"
    "    nip 5260250274           the customer's tax number on a receipt\n"
    "    buyer NIP;name;00-950 Warszawa;ul. Prosta 1   the buyer (an invoice needs one)\n"
    "    pay cash|card|voucher|cheque|other|1..7 AMOUNT\n"
    "  end\n"
    "  deposit AMOUNT\n"
    "  withdraw AMOUNT\n"
    "\n"
    "Without pay a document is paid in cash; cash beyond the value is change. The goods must\n"
    "be on the register (sent by an export). Example:\n"
    "\n"
    "  date 2026-12-08\n"
    "  time 10:15\n"
    "  receipt\n"
    "    sell 1 2\n"
    "    pay cash 20\n"
    "  end\n";

struct UsageError {
  std::string text;
};
struct CommandError {
  std::string text;
};

[[noreturn]] void Usage(const std::string& text) {
  throw UsageError{text};
}
[[noreturn]] void Failed(const std::string& text) {
  throw CommandError{text};
}

// The command line: options with a value, switches, and the rest in order.
class Args {
 public:
  explicit Args(const std::vector<std::string>& args) {
    static const char* kValued[] = {
        "--state", "--output",  "--port", "--lan",  "--model", "--device", "--plu",    "--serial",
        "--clock", "--program", "--code", "--desc", "--exit",  "--hang",   "--reject", "--stop-at"};
    static const char* kSwitches[] = {"--no-report", "--truncate", "--garble", "--once"};
    for (size_t i = 0; i < args.size(); ++i) {
      const std::string& a = args[i];
      bool done = false;
      for (const char* v : kValued) {
        if (a == v) {
          if (i + 1 >= args.size()) Usage(a + " needs a value");
          if (values_.count(a)) Usage(a + " given twice");
          values_[a] = args[++i];
          done = true;
        }
      }
      for (const char* s : kSwitches) {
        if (a == s) {
          switches_[a] = true;
          done = true;
        }
      }
      if (done) continue;
      if (a.size() > 2 && a[0] == '-' && a[1] == '-' && a != "--help") {
        Usage("unknown option " + a);
      }
      words_.push_back(a);
    }
  }
  bool Has(const std::string& name) const { return values_.count(name) || switches_.count(name); }
  std::string Value(const std::string& name) const {
    auto it = values_.find(name);
    return it == values_.end() ? std::string() : it->second;
  }
  const std::vector<std::string>& Words() const { return words_; }
  // Fails on options the command does not take.
  void Allow(std::initializer_list<const char*> allowed) const {
    auto check = [&](const std::string& name) {
      if (name == "--state" || name == "--output" || name == "--port" || name == "--lan") return;
      for (const char* a : allowed) {
        if (name == a) return;
      }
      Usage(name + " does not go with " + words_[0]);
    };
    for (const auto& [name, value] : values_) check(name);
    for (const auto& [name, on] : switches_) check(name);
  }

 private:
  std::map<std::string, std::string> values_;
  std::map<std::string, bool> switches_;
  std::vector<std::string> words_;
};

int IntArg(const Args& a, const std::string& name, int low, int high) {
  long long v = 0;
  if (!ParseInt(a.Value(name), v) || v < low || v > high) {
    Usage(name + " takes a number from " + std::to_string(low) + " to " + std::to_string(high));
  }
  return static_cast<int>(v);
}

std::string Connection(const Args& a) {
  if (a.Has("--port") == a.Has("--lan")) Usage("name the register with --port or --lan");
  if (a.Has("--port")) {
    std::string key = SerialKey(a.Value("--port"));
    if (key.empty()) Usage("--port takes COM1 to COM256");
    return key;
  }
  std::string lan = a.Value("--lan");
  size_t colon = lan.rfind(':');
  std::string key = colon == std::string::npos
                        ? std::string()
                        : LanKey(lan.substr(0, colon), lan.substr(colon + 1));
  if (key.empty()) Usage("--lan takes ADDRESS:PORT, e.g. 10.0.0.5:1001");
  return key;
}

std::string StateDir(const Args& a) {
  return a.Has("--state") ? a.Value("--state") : StateDirectory();
}

void Load(const RegisterFile& file, Register& reg, const std::string& connection) {
  if (!file.Exists()) Failed("no register on " + connection + " (create it first)");
  std::string error;
  if (!file.Load(reg, error)) Failed(error);
}

void Save(const RegisterFile& file, const Register& reg) {
  if (!file.Save(reg)) Failed("cannot write " + file.Path());
}

// --- show ------------------------------------------------------------------------------

std::string U(const std::string& cp1250) {
  return Cp1250ToUtf8(cp1250);
}
std::string N(long long v) {
  return std::to_string(v);
}
std::string Money(long long v) {
  return FormatHundredths(v, ',');
}
std::string Human(const DateTime& dt) {
  return dt.Iso().replace(10, 1, " ");
}

std::string ShowRegister(const Register& r) {
  return "Register " + r.connection + ": " + r.Info().name + ", number " + N(r.device) + ", " +
         N(r.capacity) + " PLUs, generation " + N(r.generation) + ", version " + U(r.version) +
         ", serial " + U(r.serial) + "\n";
}

std::string ShowDoc(const Register& r, const Document& d) {
  const char* kind = d.kind == DocKind::Receipt   ? "receipt"
                     : d.kind == DocKind::Invoice ? "invoice"
                                                  : "cancelled receipt";
  std::string s = std::string("  ") + kind + " " + N(d.number) + " (transaction " + N(d.trans) +
                  ", printout " + N(d.printout) + ") " + Human(d.when) + ", cashier " +
                  N(d.cashier) + ", value " + Money(d.Value()) + "\n";
  if (!d.card.empty()) s += "    loyalty card " + U(d.card) + "\n";
  if (!d.nip.empty()) s += "    customer NIP " + U(d.nip) + "\n";
  if (d.kind == DocKind::Invoice) {
    s += "    invoice " + U(d.invoiceNumber) + " for " + U(d.buyerName) + ", NIP " + U(d.buyerNip) +
         ", " + U(d.buyerStreet) + ", " + U(d.buyerCity) + "\n";
  }
  for (size_t i = 0; i < d.lines.size(); ++i) {
    const Line& l = d.lines[i];
    s += "    " + N(static_cast<long long>(i) + 1) + ". PLU " + N(l.plu) + " " + U(l.name) + " " +
         FormatThousandths(l.qty, '.') + " x " + Money(l.price) + " = " + Money(l.before);
    if (l.discount != 0) s += " - discount " + Money(l.discount) + " = " + Money(l.Value());
    s += std::string(l.ret ? " (returned package)" : "") + (l.voided ? " (voided)" : "") + " VAT " +
         N(l.vat) + "\n";
  }
  for (const Payment& p : d.payments) {
    s += "    paid " + std::string(p.negative ? "-" : "") + Money(p.amount) + " form " + N(p.form) +
         " " + U(r.payments[p.form].name) + "\n";
  }
  return s;
}

std::string Show(const Register& r, const std::string& what) {
  bool all = what == "all";
  std::string s;
  if (all || what == "register") s += ShowRegister(r);
  if (all || what == "clock") s += "Clock: " + Human(r.clock) + "\n";
  if (all || what == "vat") {
    s += "VAT:";
    for (int i = 0; i < 7; ++i) s += " " + N(i + 1) + "=" + VatText(r.vat[i]);
    s += "\nEuro rate: " + Money(r.euro) + "\n";
  }
  if (all || what == "groups") {
    s += "Groups (named ones):\n";
    for (int g = 1; g <= 99; ++g) {
      if (!r.groups[g].empty()) s += "  " + N(g) + " " + U(r.groups[g]) + "\n";
    }
  }
  if (all || what == "units") {
    s += "Units:\n";
    for (int u = 0; u < 16; ++u) {
      if (!r.units[u].empty()) s += "  " + N(u) + " " + U(r.units[u]) + "\n";
    }
  }
  if (all || what == "payments") {
    s += "Payment forms:\n";
    for (int p = 1; p <= 7; ++p) {
      const PaymentForm& f = r.payments[p];
      s += "  " + N(p) + " " + U(f.name) + " type " + N(f.type) + (f.dated ? " dated" : "") + "\n";
    }
  }
  if (all || what == "goods") {
    s += "Goods (" + N(static_cast<long long>(r.goods.size())) + "):\n";
    for (const auto& [plu, g] : r.goods) {
      s += "  PLU " + N(plu) + " \"" + U(g.name) + "\" VAT " + N(g.vat) + " group " + N(g.group) +
           " precision " + N(g.precision) + " unit " + N(g.unit) + " barcode " +
           (g.barcode.empty() ? "-" : U(g.barcode)) + " price " + Money(g.price) +
           (g.package ? " package" : "") +
           (g.packagePlu != 0 ? " with package " + N(g.packagePlu) : "") + " flags " + N(g.lock) +
           N(g.flagA) + N(g.flagB) + "\n";
    }
  }
  if (all || what == "counters") {
    s += "Sales counters:\n";
    for (const auto& [plu, c] : r.sales) {
      if (!c.Zero()) {
        s += "  PLU " + N(plu) + " sold " + FormatThousandths(c.qty, '.') + " for " +
             Money(c.value) + "\n";
      }
    }
    for (const auto& [plu, c] : r.returns) {
      if (!c.Zero()) {
        s += "  PLU " + N(plu) + " returned " + FormatThousandths(c.qty, '.') + " for " +
             Money(c.value) + "\n";
      }
    }
  }
  if (all || what == "buffer") {
    s += "Receipt buffer (" + N(static_cast<long long>(r.buffer.size())) + " entries):\n";
    for (const BufferEntry& e : r.buffer) {
      if (e.isCash) {
        s += std::string("  ") + (e.cash.deposit ? "deposit " : "withdrawal ") +
             Money(e.cash.amount) + " (transaction " + N(e.cash.trans) + ", printout " +
             N(e.cash.printout) + ") " + Human(e.cash.when) + ", cashier " + N(e.cash.cashier) +
             "\n";
      } else {
        s += ShowDoc(r, e.doc);
      }
    }
  }
  if (all || what == "cashier") {
    s += "Cashiers:\n";
    for (const auto& [n, name] : r.cashiers) s += "  " + N(n) + " " + U(name) + "\n";
    if (r.loggedCashier == 0) {
      s += "Nobody logged in\n";
    } else {
      const CashierStats& t = r.stats;
      s += "Logged in: " + N(r.loggedCashier) + " since " + Human(r.shiftStart) + "; cash " +
           Money(t.cash) + ", card " + Money(t.card) + ", voucher " + Money(t.voucher) +
           ", cheque " + Money(t.cheque) + ", other " + Money(t.other) + ", deposits " +
           Money(t.deposits) + ", withdrawals " + Money(t.withdrawals) + "; receipts " +
           N(t.receipts) + ", voids " + N(t.voids) + " for " + Money(t.voidValue) + ", cancelled " +
           N(t.cancelled) + "\n";
    }
  }
  if (all || what == "faults") {
    s += "Faults:\n";
    for (const Fault& f : r.faults) {
      s += "  " + f.program + " " + f.kind + " " + U(f.arg) + (f.desc.empty() ? "" : " ") +
           U(f.desc) + (f.once ? " (once)" : "") + "\n";
    }
  }
  return s;
}

const char* kSections[] = {"all",      "register", "clock",    "vat",    "groups",  "units",
                           "payments", "goods",    "counters", "buffer", "cashier", "faults"};

// --- commands ---------------------------------------------------------------------------

void Print(const Args& a, const std::string& text) {
  if (a.Has("--output")) {
    if (!WriteBytes(a.Value("--output"), text)) Failed("cannot write " + a.Value("--output"));
    return;
  }
  platform::WriteConsoleText(stdout, text);
}

Fault MakeFault(const Args& a) {
  Fault f;
  f.program = CanonicalProgramName(a.Value("--program"));
  if (f.program.empty()) Usage("--program names one of the ELZAB programs, e.g. ZBPTowar.exe");
  f.once = a.Has("--once");
  int kinds = 0;
  for (const char* k :
       {"--code", "--no-report", "--hang", "--truncate", "--garble", "--reject", "--stop-at"}) {
    kinds += a.Has(k) ? 1 : 0;
  }
  if (kinds != 1)
    Usage(
        "fault takes exactly one of --code, --no-report, --hang, --truncate, "
        "--garble, --reject, --stop-at");
  if (a.Has("--desc") && !a.Has("--code")) Usage("--desc goes with --code");
  if (a.Has("--exit") != a.Has("--no-report")) Usage("--no-report goes with --exit N");
  if (a.Has("--code")) {
    f.kind = "code";
    f.arg = N(IntArg(a, "--code", 0, 255));
    f.desc = a.Value("--desc");
  } else if (a.Has("--no-report")) {
    f.kind = "noreport";
    f.arg = N(IntArg(a, "--exit", 0, 255));
  } else if (a.Has("--hang")) {
    long long ms = 0;
    int decimals = 0;
    if (!ParseThousandths(a.Value("--hang"), '.', ms, decimals) || ms < 0 || ms > 3600000) {
      Usage("--hang takes seconds, e.g. 0.2");
    }
    f.kind = "hang";
    f.arg = N(ms);
  } else if (a.Has("--truncate")) {
    f.kind = "truncate";
  } else if (a.Has("--garble")) {
    f.kind = "garble";
  } else if (a.Has("--reject")) {
    f.kind = "reject";
    for (const std::string& item : Split(a.Value("--reject"), ',')) {
      std::vector<std::string> pc = Split(item, ':');
      long long plu = 0, code = 0;
      if (pc.size() != 2 || !ParseInt(pc[0], plu) || !ParseInt(pc[1], code) || plu < 1 ||
          code < 1 || code > 255) {
        Usage("--reject takes PLU:CODE[,PLU:CODE...]");
      }
    }
    f.arg = a.Value("--reject");
  } else {
    f.kind = "stopat";
    std::vector<std::string> pc = Split(a.Value("--stop-at"), ':');
    long long plu = 0, code = 20;
    if (pc.size() > 2 || !ParseInt(pc[0], plu) || plu < 1 ||
        (pc.size() == 2 && (!ParseInt(pc[1], code) || code < 1 || code > 255))) {
      Usage("--stop-at takes PLU or PLU:CODE");
    }
    f.arg = a.Value("--stop-at");
  }
  return f;
}

int Run(const Args& a) {
  if (a.Words().empty()) Usage("no command");
  const std::string& cmd = a.Words()[0];
  const std::vector<std::string>& w = a.Words();
  if (cmd == "help" || cmd == "--help" || cmd == "-h") {
    if (w.size() > 2 || (w.size() == 2 && w[1] != "sell")) Usage("help takes nothing or sell");
    Print(a, w.size() == 2 ? kScenarioHelp : kUsage);
    return 0;
  }
  std::string connection = Connection(a);
  RegisterFile file(StateDir(a), connection);
  Register reg;

  if (cmd == "create") {
    a.Allow({"--model", "--device", "--plu", "--serial", "--clock"});
    if (w.size() != 1) Usage("create takes options only");
    const ModelInfo* model = FindModel(a.Value("--model"));
    if (model == nullptr) {
      Usage(
          "--model is one of \"K10\", \"K10 online\", \"Mini online\", \"Jota online\", "
          "\"Sigma\"");
    }
    int device = a.Has("--device") ? IntArg(a, "--device", 1, 255) : 1;
    reg = Register::Create(connection, *model, device);
    if (a.Has("--plu")) reg.capacity = IntArg(a, "--plu", 1, 100000);
    if (a.Has("--serial")) reg.serial = a.Value("--serial");
    if (a.Has("--clock") && !DateTime::Parse(a.Value("--clock"), reg.clock)) {
      Usage("--clock takes YYYY-MM-DDTHH:MM");
    }
    Save(file, reg);
    return 0;
  }
  if (cmd == "remove") {
    a.Allow({});
    if (!file.Exists()) Failed("no register on " + connection);
    if (!file.Remove()) Failed("cannot remove " + file.Path());
    return 0;
  }

  Load(file, reg, connection);
  if (cmd == "show") {
    a.Allow({});
    std::vector<std::string> what(w.begin() + 1, w.end());
    if (what.empty()) what.push_back("all");
    std::string text;
    for (const std::string& section : what) {
      bool known = false;
      for (const char* k : kSections) known = known || section == k;
      if (!known) Usage("unknown section " + section);
      text += Show(reg, section);
    }
    Print(a, text);
    return 0;
  }
  if (cmd == "vat") {
    a.Allow({});
    if (w.size() != 2) Usage("vat takes the seven slots in one word");
    std::vector<std::string> slots = Split(w[1], ';');
    if (slots.size() != 7) Usage("vat takes seven slots separated by \";\"");
    for (size_t i = 0; i < 7; ++i) {
      if (!ParseVat(slots[i], reg.vat[i])) {
        Usage("a VAT slot is a rate such as 23,00, ZWOLNIONA or REZERWA: " + slots[i]);
      }
    }
  } else if (cmd == "clock") {
    a.Allow({});
    if (w.size() != 2) Usage("clock takes YYYY-MM-DDTHH:MM or now");
    if (w[1] == "now") {
      reg.clock = DateTime::FromDayCount(platform::CurrentEnv()->Now());
    } else if (!DateTime::Parse(w[1], reg.clock)) {
      Usage("clock takes YYYY-MM-DDTHH:MM[:SS] or now");
    }
  } else if (cmd == "sell") {
    a.Allow({});
    if (w.size() != 2) Usage("sell takes a scenario file");
    std::string text;
    if (!ReadBytes(w[1], text)) Failed("cannot read " + w[1]);
    std::string error;
    if (!RunScenario(reg, text, error)) Failed(error);
  } else if (cmd == "zero") {
    a.Allow({});
    if (w.size() != 1) Usage("zero takes no arguments");
    CloseDay(reg);
  } else if (cmd == "payment-date") {
    a.Allow({});
    long long form = 0;
    if (w.size() != 3 || !ParseInt(w[1], form) || form < 1 || form > 7 ||
        (w[2] != "on" && w[2] != "off")) {
      Usage("payment-date takes FORM (1 to 7) and on or off");
    }
    reg.payments[form].dated = w[2] == "on";
  } else if (cmd == "fault") {
    a.Allow({"--program", "--code", "--desc", "--no-report", "--exit", "--hang", "--truncate",
             "--garble", "--reject", "--stop-at", "--once"});
    if (w.size() != 1) Usage("fault takes options only");
    Fault f = MakeFault(a);
    std::vector<Fault> kept;
    for (const Fault& old : reg.faults) {
      if (!(old.program == f.program && old.kind == f.kind)) kept.push_back(old);
    }
    kept.push_back(f);
    reg.faults = kept;
  } else if (cmd == "clear-faults") {
    a.Allow({"--program"});
    std::string program;
    if (a.Has("--program")) {
      program = CanonicalProgramName(a.Value("--program"));
      if (program.empty()) Usage("--program names one of the ELZAB programs");
    }
    std::vector<Fault> kept;
    for (const Fault& f : reg.faults) {
      if (!program.empty() && f.program != program) kept.push_back(f);
    }
    reg.faults = kept;
  } else {
    Usage("unknown command " + cmd);
  }
  Save(file, reg);
  return 0;
}

}  // namespace

int RunControl(const std::vector<std::string>& args) {
  try {
    return Run(Args(args));
  } catch (const UsageError& e) {
    platform::WriteConsoleText(stderr, "ecrsim: " + U(e.text) + " (ecrsim help shows the usage)\n");
    return 2;
  } catch (const CommandError& e) {
    platform::WriteConsoleText(stderr, "ecrsim: " + U(e.text) + "\n");
    return 1;
  }
}

}  // namespace sim
