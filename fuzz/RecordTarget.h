// A record of the driver's read from the fuzz input as a whole file: when the reader takes it,
// the writer's text of what was read must read back to the very same text, or the two disagree
// on the format. Then the import is run over it, as the next import would meet it.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <string>

#include "elzab/elxrecords.h"
#include "fuzz/FuzzHarness.h"

namespace fuzz {

template <typename Value>
void RoundTrip(const std::string& text,
               bool (*parse)(const std::string&, Value&, records::RecordFault*),
               std::string (*format)(const Value&)) {
  Value value;
  records::RecordFault fault;
  if (!parse(text, value, &fault)) {
    // A refused line is one of the text's.
    if (fault.line < 0 || (fault.line > 0 && text.find(fault.text) == std::string::npos)) {
      std::abort();
    }
    return;
  }
  const std::string written = format(value);
  Value again;
  if (!parse(written, again, nullptr) || format(again) != written) std::abort();
}

// Counters and a receipt buffer of one day, for the import that meets a record.
constexpr char kDayCounters[] = "#1\r\n#\r\n#\r\n$12\t3.000\t1050\r\n$13\t1.000\t300\r\n";
constexpr char kDayReceipts[] =
    "#1\r\n#\r\n#\r\n"
    "$1\t10\t5\t1\t0\t12\t2.000\t700\t26.12.08\t10:15\t1\t3\t0\t700\r\n"
    "$4\t10\t5\t1\t0\t0\t0\t700\r\n"
    "$5\t3\t11\t6\t1\t1\t5000\t26.12.09\t11:00\r\n"
    "$1\t14\t8\t1\t0\t13\t1.000\t300\t26.12.09\t13:40\t1\t3\t0\t300\r\n"
    "$4\t14\t8\t2\t0\t0\t0\t300\r\n";

// Imports the day's outputs with `record` lying under its name, on port `port` (a register
// that identifies itself as a Mini and answers every other program with nothing): the outputs
// lie there as a failed import left them.
inline void ImportOver(const char* name, const std::string& record, const char* port,
                       const char* saleSource, const std::string& counters = kDayCounters,
                       const std::string& receipts = kDayReceipts) {
  Driver& driver = Driver::Get();
  driver.Reset();
  driver.host.params["ElzabSTXPort"] = port;
  driver.host.params["ElzabSTXReceipts"] = "1";
  driver.host.params["ElzabSTXSaleSource"] = saleSource;
  driver.Write(name, record);
  driver.Write("ospopmax_sort.out", counters);
  driver.Write("opsproz4.out", receipts);
  driver.env.onRun = [](const platform::FakeEnv::Run& run) {
    if (run.args.size() > 1) {
      const bool type = run.args[1].find("otypurz") != std::string::npos;
      testutil::WriteFile(run.args[1], type ? "#\r\n#\r\n#\r\n$1\t1\tX\tMini ONLINE\t4000\t4\t1\r\n"
                                            : "#1\r\n#\r\n#\r\n");
    }
    platform::RunResult r;
    r.started = true;
    return r;
  };
  auto action = driver.Action();
  Run([&] { action->Import(); });
  driver.host.params["ElzabSTXPort"] = "PLIK";
}

}  // namespace fuzz
