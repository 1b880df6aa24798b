// The records of the host's export file: a goods ("PLU"), a contractor ("KON", "KONA"), an
// assortment ("ASS"), a cashier ("OPER") and a currency ("WAL"). Each reads its own line.
#pragma once

#include <cstdint>
#include <string>

#include "support/TLJWords.h"

class TMLgExtTools;

// What to do with a goods on the register.
enum stTow : int32_t {
  stDod = 0,   // add ("DOD")
  stAkt = 1,   // update name or rate ("AKT")
  stCen = 2,   // price change ("CEN")
  stUsu = 3,   // delete ("USU")
  stNull = 4,  // nothing: not sent
};

// The rate in hundredths of a percent for a rate in whole percent; -1 (exempt) for a negative
// rate. A rate too large for the hundredths is held at the largest value instead of overflowing.
int32_t RatePrec(int32_t stawka);

// A goods, one PLU of the register.
class KSTowRec {
 public:
  KSTowRec() = default;

  // Every field back to its default, except PKWiU, SWW, TerminW, poziom_cen, ile_w_kodzie and
  // nr_src_buf, which each reader of a record sets itself.
  void Clear();
  // Reads a "PLU" line already cut into words at ";" (word 0 is the kind). A malformed
  // integer raises the conversion error; a bad letter field or status word raises the export
  // file's format error.
  void FromLine(TLJWords& words, const TMLgExtTools* lg);
  void FromLine(const std::string& line, const TMLgExtTools* lg);
  // The price of a price level: 1 wholesale, 2 night, 3 additional, anything else retail.
  double CenaAkt(int level) const;

  int32_t plu = 0;
  int32_t koldod = 0;
  std::string kod;
  std::string nazwa;
  double cena = 0;
  double cena_hurt = 0;
  double cena_noc = 0;
  double cena_dod = 0;
  int32_t stawka = 0;
  int32_t stawkaPrec = 0;
  int32_t jedn = 0;
  bool czy_wazony = false;
  int32_t precyzja = 0;
  bool wagowo_ilosciowy = false;
  bool opakowanie = false;
  bool cena_otwarta = true;
  std::string kod_opakowania = "0";
  int32_t plu_opakowania = 0;
  int32_t nr_asort = 0;
  stTow status = stNull;
  std::string opis1;
  std::string opis2;
  std::string opis3;
  std::string opis4;
  std::string PKWiU;
  std::string SWW;
  int32_t TerminW = 0;
  int32_t poziom_cen = -1;
  int32_t ile_w_kodzie = 1000;
  double dod_rabat_tow = 0;
  std::string nazwa_pelna;
  int32_t ile_jedn = 0;
  std::string notatki;
  int32_t nr_buf = -1;
  std::string plu_rec;
  bool tr_ok = false;
  bool flag = false;
  bool add_rec = false;
  std::string org_barcode;
  stTow org_status = stNull;
  int32_t nr_src_buf = 0;
  bool from_ecr = false;
  bool tow_z_kontr = false;

 private:
  // A letter field: "T"/"t" true, "F"/"f" false; anything else is the format error.
  static bool Bool(char letter, const TMLgExtTools* lg);
};

// A contractor (customer) of the host, with a loyalty card.
class KSKontrRec {
 public:
  KSKontrRec() = default;
  void Clear();
  // Reads a "KON"/"KONA" line. A malformed integer or letter field raises.
  void FromLine(const std::string& line, const TMLgExtTools* lg);

  int32_t KontrId = 0;
  std::string Nazwa;
  std::string Skrot;
  std::string Ulica;
  std::string Kod;
  std::string Miasto;
  std::string Telefon;
  std::string NIP;
  std::string KodKarty;
  double TermWaznKarty = 0;
  bool KartaAktywna = false;
  int32_t PoziomRabatu = 0;
  double RabatOdbiorcy = 0;
  int32_t IloscPunktow = 0;
  int32_t nr_buf = -1;
  std::string kontr_rec;
  bool tr_ok = false;

 private:
  static bool Bool(char letter, const TMLgExtTools* lg);
};

// An assortment: a goods group of the register.
class KSAsort {
 public:
  void Clear();
  void FromLine(const std::string& line);

  int32_t nr = 0;
  std::string nazwa;
};

// A cashier entry ("number;surname;permission level;identifier;card code"), converted word
// by word only when read. Each getter raises its own message when its word is unreadable.
class KSKasjer {
 public:
  KSKasjer(const std::string& entry, const TMLgExtTools* lg);
  KSKasjer(int numer, const std::string& nazwisko, int poziomUprawnien,
           const std::string& identyfikator, const std::string& kodKarty, const TMLgExtTools* lg);

  const std::string& Entry() const { return entry; }
  int GetNumer();
  std::string GetNazwisko();
  int GetPoziomUprawnien();
  std::string GetIdentyfikator();
  std::string GetKodKarty();

 private:
  std::string entry;
  TLJWords wrd{";"};
  const TMLgExtTools* LgLink;
};

// A currency entry ("code;name;rate;default;change may be given"); the two yes/no words are
// true only when exactly "T".
class KSWaluta {
 public:
  KSWaluta(const std::string& entry, const TMLgExtTools* lg);

  const std::string& Entry() const { return entry; }
  std::string GetKod();
  std::string GetNazwa();
  int GetKurs();
  bool GetCzyDomyslna();
  bool GetCzyMoznaWydawacReszte();

 private:
  std::string entry;
  TLJWords wrd{";"};
  const TMLgExtTools* LgLink;
};
