/*
 * trelvax: the cash-register driver's C interface, as a host (Torvik) compiles against it.
 *
 * The host loads the library, may ask its descriptive exports at once, registers the library
 * (TVKDLLRejestrujBiblioteke) and then each of its services (TVKDLLRejestrujCallback), runs
 * any number of action-level calls, and finally releases the library
 * (TVKDLLZwolnijBiblioteke).
 *
 * Texts are 8-bit Windows-1250. Every text buffer the driver writes must hold at least
 * TVKDLL_TEXT_SIZE (301) bytes: the driver writes at most 300 characters, pads shorter texts
 * with NUL bytes up to byte 300 and always puts a NUL at index 300.
 * No exception or other C++ construct crosses this interface.
 */
#ifndef TVKDLL_H
#define TVKDLL_H

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32) && !defined(_WIN64)
#define TVKAPI __stdcall
#else
#define TVKAPI
#endif

#if defined(TVKDLL_BUILDING)
#if defined(_WIN32)
#define TVKDLL_EXPORT
#else
#define TVKDLL_EXPORT __attribute__((visibility("default")))
#endif
#else
#define TVKDLL_EXPORT
#endif

#ifndef TVKDLL_BOOL_DEFINED
#define TVKDLL_BOOL_DEFINED
#if !defined(_WINDEF_) && !defined(_MINWINDEF_)
typedef int BOOL;
#endif
#endif

/* Size of every text buffer the driver writes into (300 characters and the NUL). */
#define TVKDLL_TEXT_SIZE 301
/* Size of the exchange directory buffer of service 11 (260 characters and the NUL). */
#define TVKDLL_DIR_SIZE 261
/* Size of the goods buffer of service 19 (2048 characters and the NUL). */
#define TVKDLL_GOODS_SIZE 2049

typedef void* HTVKCBARG1;     /* the host's context for the whole library */
typedef void* HTVKCBARG2;     /* the host's context for one call on one device */
typedef void* HTVKDLLSKSESJA; /* a session handle of the host */
typedef void* HTVKDLLLIB;     /* the library handle that registration returns */

/* Significance of a message line: 0 normal, 1 warning, 2 error. */
typedef int TTVKDLLZnaczenieKomunikatu;

/* Message lines may carry a status column: the text, the byte 0x01, the status text. */
#define TVKDLL_STATUS_SEPARATOR '\x01'

/* ---------------------------------------------------------------------------------------
 * Host services, registered with TVKDLLRejestrujCallback(library, function, code).
 * Every one receives first the host's HTVKCBARG1 (given at registration), then the calling
 * action's HTVKCBARG2. Output buffers arrive cleared, with the sizes noted.
 * ------------------------------------------------------------------------------------- */
enum {
  TVKDLL_CB_CZY_PRZERWAC = 5,                 /* abort requested? unregistered = yes */
  TVKDLL_CB_WARTOSC_PARAMETRU = 6,            /* value of a configuration parameter */
  TVKDLL_CB_DANE_URZADZENIA = 11,             /* device data */
  TVKDLL_CB_DODAJ_KOMUNIKAT = 12,             /* append a message line */
  TVKDLL_CB_ZMIEN_OSTATNI_KOMUNIKAT = 13,     /* replace the last message line */
  TVKDLL_CB_FORMAT_WAZONY = 14,               /* weighed-goods formats, from index 0 */
  TVKDLL_CB_STAWKA_VAT = 15,                  /* VAT rates in whole percent, from index 0 */
  TVKDLL_CB_ZAPISZ_WYNIK_EKSPORTU = 16,       /* store the export result file */
  TVKDLL_CB_ZAPISZ_IMPORT = 17,               /* take in the import file */
  TVKDLL_CB_ZAPISZ_PARAGON = 18,              /* take in a single receipt */
  TVKDLL_CB_ODCZYTAJ_TOWAR = 19,              /* goods data by key */
  TVKDLL_CB_ODSWIEZ_PARAMETRY = 20,           /* reload parameters */
  TVKDLL_CB_ZMIEN_PARAMETR = 21,              /* store a parameter */
  TVKDLL_CB_ZAJMIJ_ZASOB = 22,                /* take a named shared resource */
  TVKDLL_CB_ZWOLNIJ_ZASOB = 23,               /* give a named shared resource back */
  TVKDLL_CB_KASUJ_FLAGE_ALARMU = 24,          /* clear the host's alarm flag */
  TVKDLL_CB_WSTRZYMAJ_OPERACJE = 25,          /* ask the host to hold the operation */
  TVKDLL_CB_ZAPISZ_STAN_LICZNIKA = 28,        /* store counter states */
  TVKDLL_CB_ZAPISZ_STAN_I_CZAS_LICZNIKA = 31, /* store counter states with a time */
  TVKDLL_CB_STAWKA_VAT_PREC = 32,             /* VAT rates in hundredths of a percent */
  TVKDLL_CB_DODAJ_TOWAR_Z_KASY = 33,          /* add goods read from the register */
  TVKDLL_CB_JEZYK = 34                        /* the language object (not a function) */
};

typedef BOOL(TVKAPI* TVKDLLCBCzyPrzerwac)(HTVKCBARG1 arg1, HTVKCBARG2 arg2);
typedef void(TVKAPI* TVKDLLCBWartoscParametru)(HTVKCBARG1 arg1, HTVKCBARG2 arg2, const char* name,
                                               char* value /*301*/);
typedef void(TVKAPI* TVKDLLCBDaneUrzadzenia)(HTVKCBARG1 arg1, HTVKCBARG2 arg2, int* id, int* number,
                                             char* deviceName /*301*/, char* stationName /*301*/,
                                             char* exchangeDir /*261*/);
typedef void(TVKAPI* TVKDLLCBDodajKomunikat)(HTVKCBARG1 arg1, HTVKCBARG2 arg2,
                                             TTVKDLLZnaczenieKomunikatu significance,
                                             const char* text);
typedef void(TVKAPI* TVKDLLCBZmienOstatniKomunikat)(HTVKCBARG1 arg1, HTVKCBARG2 arg2,
                                                    TTVKDLLZnaczenieKomunikatu significance,
                                                    const char* text);
typedef BOOL(TVKAPI* TVKDLLCBFormatWazony)(HTVKCBARG1 arg1, HTVKCBARG2 arg2, int index,
                                           char* text /*301*/);
typedef BOOL(TVKAPI* TVKDLLCBStawkaVAT)(HTVKCBARG1 arg1, HTVKCBARG2 arg2, int index, int* rate);
typedef BOOL(TVKAPI* TVKDLLCBStawkaVATPrec)(HTVKCBARG1 arg1, HTVKCBARG2 arg2, int index, int* rate);
typedef BOOL(TVKAPI* TVKDLLCBZapiszWynikEksportu)(HTVKCBARG1 arg1, HTVKCBARG2 arg2);
typedef BOOL(TVKAPI* TVKDLLCBZapiszImport)(HTVKCBARG1 arg1, HTVKCBARG2 arg2);
typedef BOOL(TVKAPI* TVKDLLCBZapiszParagon)(HTVKCBARG1 arg1, HTVKCBARG2 arg2);
typedef BOOL(TVKAPI* TVKDLLCBOdczytajTowar)(HTVKCBARG1 arg1, HTVKCBARG2 arg2, char* text /*2049*/,
                                            const char* key);
typedef void(TVKAPI* TVKDLLCBOdswiezParametry)(HTVKCBARG1 arg1, HTVKCBARG2 arg2);
typedef BOOL(TVKAPI* TVKDLLCBZmienParametr)(HTVKCBARG1 arg1, HTVKCBARG2 arg2, const char* name,
                                            const char* value);
typedef BOOL(TVKAPI* TVKDLLCBZajmijZasobSterownika)(HTVKCBARG1 arg1, HTVKCBARG2 arg2,
                                                    const char* resource);
typedef void(TVKAPI* TVKDLLCBZwolnijZasobSterownika)(HTVKCBARG1 arg1, HTVKCBARG2 arg2,
                                                     const char* resource);
typedef void(TVKAPI* TVKDLLCBKasujFlageAlarmu)(HTVKCBARG1 arg1, HTVKCBARG2 arg2);
typedef int(TVKAPI* TVKDLLCBWstrzymajOperacje)(HTVKCBARG1 arg1, HTVKCBARG2 arg2, const char* text,
                                               int value);
typedef BOOL(TVKAPI* TVKDLLCBZapiszStanLicznika)(HTVKCBARG1 arg1, HTVKCBARG2 arg2,
                                                 const int* values, int count);
typedef BOOL(TVKAPI* TVKDLLCBZapiszStanICzasLicznika)(HTVKCBARG1 arg1, HTVKCBARG2 arg2,
                                                      const int* values, int count,
                                                      const char* time);
typedef int(TVKAPI* TVKDLLCBDodajTowarZKasy)(HTVKCBARG1 arg1, HTVKCBARG2 arg2, const char* text1,
                                             int int1, const char* text2, int int2,
                                             const char* text3, const char* text4, int int3,
                                             double value1, double value2, double value3,
                                             double value4, int int4, int int5, const char* text5);

/* The host's language object, registered under code 34. The host keeps it alive while the
 * library lives. */
typedef struct TVKDLLJezyk {
  void* context;
  /* Writes the text of (module, key) into buffer (size bytes, NUL included); nonzero when a
   * translation exists. */
  BOOL(TVKAPI* GetString)
  (void* context, const char* module, const char* key, const char* defaultText, char* buffer,
   int size);
} TVKDLLJezyk;

/* ---------------------------------------------------------------------------------------
 * Operation codes of TVKDLLSerKasOperacja.
 * ------------------------------------------------------------------------------------- */
enum {
  TVKDLL_OP_TEST_POLACZENIA = -1,  /* connection test */
  TVKDLL_OP_EKSPORT = -2,          /* goods export */
  TVKDLL_OP_IMPORT_SPRZEDAZY = -3, /* sales import */
  TVKDLL_OP_IMPORT_PARAGONU = -4,  /* single receipt import */
  TVKDLL_OP_EKSPORT_AUTO = -5,     /* unattended export */
  TVKDLL_OP_IMPORT_AUTO = -6,      /* unattended import */
  TVKDLL_OP_NASLUCH = -7,          /* listening */
  TVKDLL_OP_DODATKOWA = -8,        /* additional function */
  TVKDLL_OP_IMPORT_LICZNIKA = -9   /* counter import */
};

/* ---------------------------------------------------------------------------------------
 * The fifteen exports.
 * ------------------------------------------------------------------------------------- */

/* The library type: 1 for this driver. */
TVKDLL_EXPORT int TVKAPI TVKDLLTypBiblioteki(void);

/* Driver property `code` into `buffer`: 1 display name, 2 type name ("KS_ElzabSTX"),
 * 3 tested models and version, 102 to 105 "1", anything else empty. */
TVKDLL_EXPORT void TVKAPI TVKDLLWlasciwosci(char* buffer, int code);

/* Device property `code` of the device that `arg2` stands for, into `buffer`
 * (1101 "0", 1102 shared-resource name, 1103 "1", 1104 "-1", others empty). */
TVKDLL_EXPORT void TVKAPI TVKDLLWlasciwosciUrzadzenia(HTVKDLLLIB library, HTVKCBARG2 arg2,
                                                      char* buffer, int code);

/* Creates the library object; returns its handle, NULL when it cannot be created. The two
 * middle arguments are not used. `mainWindow` becomes the owner of the driver's windows. */
TVKDLL_EXPORT HTVKDLLLIB TVKAPI TVKDLLRejestrujBiblioteke(HTVKCBARG1 arg1, void* unused1,
                                                          void* unused2, void* mainWindow);

/* Stores host service `function` under `code` (or, for code 34, the TVKDLLJezyk object). */
TVKDLL_EXPORT void TVKAPI TVKDLLRejestrujCallback(HTVKDLLLIB library, void* function, int code);

/* Destroys the library. A NULL handle is ignored. */
TVKDLL_EXPORT void TVKAPI TVKDLLZwolnijBiblioteke(HTVKDLLLIB library);

/* Describes parameter `index` of `group` (101 to 107); returns its type (0 = none: the end
 * of the group; 1 text, 3 port, 4 integer, 5 date, 6 directory, 7 list). `flag` may be
 * NULL. The five buffers are always filled (text1 and text2 empty). */
TVKDLL_EXPORT int TVKAPI TVKDLLParametr(int group, int index, char* name, char* description,
                                        char* defaultValue, char* text1, char* text2, int* flag);

/* List entry `index` of a list parameter into `buffer`; nonzero while the text is not
 * empty, so a host enumerates from 0 until it answers 0. */
TVKDLL_EXPORT BOOL TVKAPI TVKDLLTekstListyParametru(const char* name, int index, char* buffer);

/* How the host should look for a receipt (report number, a second number, receipt number). */
TVKDLL_EXPORT BOOL TVKAPI TVKDLLSerKasJakSzukacParagonu(HTVKDLLLIB library, HTVKCBARG2 arg2,
                                                        int* reportNo, int* second, int* receiptNo);

/* Description of driver window `window`; this driver has none (empty text, 0). */
TVKDLL_EXPORT BOOL TVKAPI TVKDLLSerKasOpisOkna(char* buffer, int window);

/* Shows driver window `window`; this driver has none and answers 0. */
TVKDLL_EXPORT BOOL TVKAPI TVKDLLSerKasPokazOkno(HTVKDLLLIB library, HTVKCBARG2 arg2, int window,
                                                BOOL flag, int* value, char* buffer);

/* Name of the resource that operations on this device's register share (empty for file
 * mode, the serial port, or "address:port" for a LAN register). */
TVKDLL_EXPORT void TVKAPI TVKDLLSerKasNazwaZasobuDzielonego(HTVKDLLLIB library, HTVKCBARG2 arg2,
                                                            char* buffer);

/* Runs operation `code` (TVKDLL_OP_...) with `parameter` on the device of `arg2`. Messages go
 * to the host's list through services 12 and 13. `session` points at the host's session
 * handle; with a handle the driver cannot work with, the call waits a second and answers 1.
 * `sessionName` (301 bytes) is read before and written back after the operation. */
TVKDLL_EXPORT int TVKAPI TVKDLLSerKasOperacja(HTVKDLLLIB library, HTVKCBARG2 arg2,
                                              HTVKDLLSKSESJA* session, char* sessionName, int code,
                                              int parameter);

/* Keeps a session alive; `sessionName` (301 bytes) is written back. */
TVKDLL_EXPORT void TVKAPI TVKDLLSerKasPodtrzymajSesje(HTVKDLLLIB library, HTVKDLLSKSESJA* session,
                                                      char* sessionName, int value, BOOL flag);

/* Sets the language of the host library's own texts. */
TVKDLL_EXPORT void TVKAPI TVKDLLUstawJezykKomponentow(int language);

#ifdef __cplusplus
}
#endif

#endif /* TVKDLL_H */
